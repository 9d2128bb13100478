"""Every operation that copies property maps or values, run with the address
space capped a little above what the process holds: each must succeed or
raise MemoryError, and leave the graphs it was given as they were. A crash
or an abort of the interpreter fails the row."""

import os
import subprocess
import sys

import pytest

pytestmark = pytest.mark.skipif(
    "libasan" in os.environ.get("LD_PRELOAD", ""),
    reason="AddressSanitizer reserves its shadow memory beyond any address-space limit",
)

# Two graphs of 100 nodes and 99 edges whose maps each hold a 64 KiB string
# (a copy of all of them needs about 13 MiB), and 20,000 small ones: the
# headrooms below stop copies part-way, inside a string's allocation among
# others.
HARNESS = r"""
import pickle, resource, sys
from vesk_graph._rust import knowledge as K
from vesk_graph._rust.graph import PyGraph

BIG = 64 * 1024
IDS = [f"n{i}" for i in range(100)]
HEADROOMS_MIB = [1, 2, 4, 8, 12, 16, 32, 256]

def graph(tag):
    g = PyGraph()
    for i, n in enumerate(IDS):
        g.add_node(n, {"type": "T", "v": tag * BIG, "i": i, "list": [tag * 10, {"k": i}]})
    for s, t in zip(IDS, IDS[1:]):
        g.add_edge(s, t, {"predicate": "next", "w": tag * BIG})
    # Many small nodes and edges, so that building a result's structure
    # also runs out of memory part-way.
    g.add_node("m0", {"type": "T"})
    g.add_edge(IDS[-1], "m0", {"predicate": "link"})
    for i in range(1, 20000):
        g.add_node(f"m{i}", {"type": "T", "i": i})
        g.add_edge(f"m{i - 1}", f"m{i}", {"predicate": "link"})
    return g

a, b = graph("a"), graph("b")
EVERY_OTHER = a.node_ids()[::2]
before = {"a": a.to_json(), "b": b.to_json()}

def used():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[0]) * resource.getpagesize()

def attempt(fn, headroom):
    unlimited = resource.getrlimit(resource.RLIMIT_AS)
    resource.setrlimit(resource.RLIMIT_AS, (used() + (headroom << 20), unlimited[1]))
    try:
        fn()
        return "ok"
    except MemoryError:
        return "MemoryError"
    finally:
        resource.setrlimit(resource.RLIMIT_AS, unlimited)

def unchanged():
    assert a.to_json() == before["a"], "a changed"
    assert b.to_json() == before["b"], "b changed"

outcomes = set()
"""

# Each row: the statement run under the cap (its result is dropped within
# the call), and a check after it, given the outcome `r`.
READS = "unchanged()"
ROWS = {
    "merge keep_first": ("K.merge_graphs(a, b, 'keep_first')", READS),
    "merge keep_latest": ("K.merge_graphs(a, b, 'keep_latest')", READS),
    "merge merge": ("K.merge_graphs(a, b, 'merge')", READS),
    # A graph made by reverse() shares its maps with `a`: the first change
    # of each copies it. Changes made before memory ran out stay, the one
    # refused leaves its node as it was, and `a` sees none of them.
    "set_node_property on shared maps": (
        "for n in IDS: t.set_node_property(n, 'k', [n])",
        "unchanged(); check_prefix(t, lambda d, n: d == {**a.node(n), 'k': [n]})",
    ),
    "update_node on shared maps": (
        "for n in IDS: t.update_node(n, {'v': n, 'k2': n * 3})",
        "unchanged(); check_prefix(t, lambda d, n: d == {**a.node(n), 'v': n, 'k2': n * 3})",
    ),
    # Each removal hands back the node's map (shared with `a`, so nothing
    # is freed as it goes); one that runs out of memory keeps the node, and
    # its edges, rather than losing the map that nobody got.
    "remove_node on shared maps": (
        "got = [None] * len(IDS)\nfor i, n in enumerate(IDS): got[i] = t.remove_node(n)",
        "unchanged(); check_removed(t, got); got = None",
    ),
    "reverse": ("a.reverse()", READS),
    "to_undirected": ("a.to_undirected()", READS),
    "subgraph": ("a.subgraph(EVERY_OTHER)", READS),
    "ego_graph": ("a.ego_graph('n0', 100000)", READS),
    "extract_subgraph_by_property": ("K.extract_subgraph_by_property(a, 'type', 'T')", READS),
    "extract_subgraph_by_types": ("K.extract_subgraph_by_types(a, ['T'])", READS),
    "densify": ("K.densify(a, 'next')", READS),
    "infer_types": ("K.infer_types(a, 'next')", READS),
    "diff_graphs": ("K.diff_graphs(a, b)", READS),
    "edges": ("a.edges()", READS),
    "from_json": ("PyGraph.from_json(before['a'], 1 << 40, 1 << 20, 1 << 20)", READS),
    # A refused state leaves the graph it was set on as it was.
    "__setstate__": ("t.__setstate__(state)", "unchanged(); assert r == 'ok' or t.to_json() == before['b']"),
    "pickle.loads": ("pickle.loads(pickled)", READS),
}

ROW_SCRIPT = r"""
state = a.__getstate__()
pickled = pickle.dumps(a)

def check_prefix(g, changed):
    # The nodes changed come first, in the order of the calls.
    flags = [changed(g.node(n), n) for n in IDS]
    for n, f in zip(IDS, flags):
        assert f or g.node(n) == a.node(n), f"{n} half changed: {g.node(n)!r:.200}"
    assert flags == sorted(flags, reverse=True), flags

def check_removed(g, got):
    # Exactly the nodes whose maps came back are gone, those maps whole.
    kept = a.reverse() if SHARES else pickle.loads(pickle.dumps(b))
    for n, d in zip(IDS, got or ()):
        if d is not None:
            assert d == kept.remove_node(n), n
    assert g.to_json() == kept.to_json(), "a node was removed without its map handed back"

got = None
code = compile(STMT, "<row>", "exec")
for headroom in HEADROOMS_MIB:
    t = a.reverse() if SHARES else pickle.loads(pickle.dumps(b))
    r = attempt(lambda: exec(code, globals()), headroom)
    outcomes.add(r)
    CHECK
print(sorted(outcomes))
"""


@pytest.mark.parametrize("row", list(ROWS), ids=list(ROWS))
def test_a_copy_that_runs_out_of_memory_raises_and_changes_nothing(row, tmp_path):
    stmt, check = ROWS[row]
    script = HARNESS + f"STMT = {stmt!r}\nSHARES = {'shared' in row}\n" + ROW_SCRIPT.replace("CHECK", check)
    # Large blocks come from and go back to the system as they are asked
    # for and freed, so that memory freed by one step (a snapshot's text)
    # does not quietly widen the headroom of the next.
    env = {**os.environ, "GLIBC_TUNABLES": "glibc.malloc.mmap_threshold=32768:glibc.malloc.trim_threshold=0"}
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=600, cwd=tmp_path,
                         env=env)
    assert out.returncode == 0, f"exit {out.returncode}: {out.stderr[-3000:]}"
    # The smallest headroom is too small for any of them, the largest is
    # enough for all.
    assert out.stdout.split("\n")[-2] == "['MemoryError', 'ok']", out.stdout


# The exports make their text, then a str of it: headrooms from a quarter
# of the text's size to six times it stop them in each step, and between
# the two (room for the text, not for the str) too.
EXPORTS = r"""
import resource
from vesk_graph._rust import rdf
from vesk_graph._rust.graph import PyGraph

g = PyGraph()
ids = [f"http://ex.org/n{i}" for i in range(50_000)]
for n in ids:
    g.add_node(n)
for s, t in zip(ids, ids[1:]):
    g.add_edge(s, t, {"predicate": "http://ex.org/next"})

def used():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[0]) * resource.getpagesize()

outcomes = set()
for export in (rdf.export_turtle, rdf.export_ntriples, rdf.export_jsonld):
    full = export(g)
    for quarter in range(1, 25):
        unlimited = resource.getrlimit(resource.RLIMIT_AS)
        resource.setrlimit(resource.RLIMIT_AS, (used() + quarter * len(full) // 4, unlimited[1]))
        try:
            text = export(g)
        except MemoryError:
            outcomes.add("MemoryError")
        else:
            outcomes.add("ok")
        finally:
            resource.setrlimit(resource.RLIMIT_AS, unlimited)
        if "text" in globals():
            assert text == full
            del text
print(sorted(outcomes))
"""


def test_an_export_that_runs_out_of_memory_raises_memory_error(tmp_path):
    env = {**os.environ, "GLIBC_TUNABLES": "glibc.malloc.mmap_threshold=32768:glibc.malloc.trim_threshold=0"}
    out = subprocess.run([sys.executable, "-c", EXPORTS], capture_output=True, text=True, timeout=600, cwd=tmp_path,
                         env=env)
    assert out.returncode == 0, f"exit {out.returncode}: {out.stderr[-3000:]}"
    assert out.stdout == "['MemoryError', 'ok']\n"


# Exhausts malloc itself (large blocks, then ever smaller ones, until none
# is left) and only then makes the first C++ exception of the thread: the
# runtime's per-thread exception state must exist by then, or glibc, unable
# to make it, aborts the process ("cannot allocate memory for thread-local
# data"). A thread that has called into the module once has it.
EXHAUSTED = r"""
import ctypes, resource, sys, threading
from vesk_graph._rust.graph import PyGraph

g = PyGraph()
g.add_node("a")
big = "x" * (4 << 20)
libc = ctypes.CDLL(None)
libc.malloc.restype = ctypes.c_void_p
libc.malloc.argtypes = [ctypes.c_size_t]
libc.free.argtypes = [ctypes.c_void_p]
held = (ctypes.c_void_p * 1_000_000)()
# Free blocks of the size of the ints the loop below makes.
pad = [10**15 + i for i in range(400_000)][::2]

def work(out):
    assert "a" in g  # the thread's first call
    with open("/proc/self/statm") as f:
        used = int(f.read().split()[0]) * resource.getpagesize()
    limit = resource.getrlimit(resource.RLIMIT_AS)
    resource.setrlimit(resource.RLIMIT_AS, (used + (16 << 20), limit[1]))
    n = 0
    for size in (1 << 20, 1 << 16, 1 << 12, 512, 64, 16):
        while n < len(held):
            p = libc.malloc(size)
            if not p:
                break
            held[n] = p
            n += 1
    try:
        g.set_node_property("a", "k", big)
        out.append("ok")
    except MemoryError:
        out.append("MemoryError")
    for i in range(n):
        libc.free(held[i])
    resource.setrlimit(resource.RLIMIT_AS, limit)

out = []
if sys.argv[1] == "main":
    work(out)
else:
    t = threading.Thread(target=work, args=(out,))
    t.start()
    t.join()
print(out, g.node("a"))
"""


@pytest.mark.parametrize("thread", ["main", "another"])
def test_a_first_exception_for_want_of_memory_raises_memory_error(thread, tmp_path):
    out = subprocess.run([sys.executable, "-c", EXHAUSTED, thread], capture_output=True, text=True, timeout=600,
                         cwd=tmp_path)
    assert out.returncode == 0, f"exit {out.returncode}: {out.stderr[-3000:]}"
    assert out.stdout == "['MemoryError'] {}\n"
