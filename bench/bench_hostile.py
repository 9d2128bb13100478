"""Documents shaped against the readers, each beside a plain document of the
same size in the same syntax: long chains of relative bases, references
against long or dotted bases, many prefixes, deep nesting, long
collections; for RDF/XML many namespace bindings, a binding on every
element, XML literals under many bindings, thousands of attributes on one
element, deep nesting with xml:base and xml:lang, entity references in
attribute values.

For each shape: our load time (load_rdf_string, best of BENCH_REPEAT, 3),
the plain document's, their ratio per byte and per triple (some shapes
make many triples from few bytes), the time of a document twice the size
over this one (about 2: it grows linearly), and what came of it (triples,
or the budget that refused it). The last column is pyoxigraph's own ratio
(parse only, hostile over plain) on the same two documents, when it is
installed: what a peer pays for the same shape.

Then the exports and pickling of graphs loaded from such documents: a long
subject (Turtle), two long predicates in turn on one subject, two long
subjects in turn, pickle.dumps of states that would be hundreds of
times their document (refused at 64 MiB), and the graph's own passes
(edges(), edges_filtered, project_triples, densify, merge_graphs) over a
long predicate shared by every edge, over a long and a short predicate in
turn, and the graphs made from it (reverse, to_undirected, subgraph,
from_triples of its triples) over a long subject on every edge. Each
beside the same work on the
graph of a plain document of the same size, with the ratio per document
byte and per byte written (against a plain document whose export writes as
much, where this one writes far more), the time at twice the size, and the
graph's own load time with the work's ratio to it. The text exports write a long
predicate or subject on every edge, so their shapes keep the edges few (a
long term and a fixed number of edges): their text, and their time, grow
with the term. The RDF/XML export has no Python entry: it is timed by
bench/export_rdfxml.cpp, built against the core library of the module's
incremental build (build/<wheel tag>/libvesk_core.a, or BENCH_CORE_LIB) when
a compiler is found.

Then work over long texts that many items share, given in turn, beside the
same work over short ones: from_triples with 32 or 128 long predicates in
turn, and edges() of a graph whose 5,000 long ids come round in turn.

Last, streams that never end inside one construct (Turtle, N-Triples and
RDF/XML), read through a named pipe under max_bytes: the time to the
refusal, one byte past the cap, beside a plain document through a pipe.

    python bench/bench_hostile.py       (BENCH_BYTES to resize, 1,000,000;
                                         BENCH_ONLY=work for the second table alone)
"""

import atexit
import os
import pickle
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from vesk_graph._rust import knowledge as kn
from vesk_graph._rust import rdf

ROOT = Path(__file__).resolve().parent.parent

SIZE = int(os.environ.get("BENCH_BYTES", 1_000_000))
REPEAT = int(os.environ.get("BENCH_REPEAT", 3))
CAP = 1 << 62
EX = "http://ex.org/"
RDFNS = "http://www.w3.org/1999/02/22-rdf-syntax-ns#"


def repeat(unit, size, head="", tail=""):
    return head + unit * max(1, (size - len(head) - len(tail)) // len(unit)) + tail


def generate(line, size, head="", tail=""):
    out, n, i = [], len(head) + len(tail), 0
    while n < size:
        out.append(line(i))
        n += len(out[-1])
        i += 1
    return head + "".join(out) + tail


def long_term_list(size, head, item):
    """One statement: a term of half the size spelled once (in `head`), then
    objects that each reuse it."""
    return generate(lambda i: ("," if i else "") + item(i), size, f"@base <{EX}> .\n" + head(size // 2), " .\n")


def rdf_root(extra=""):
    return f'<rdf:RDF xmlns:rdf="{RDFNS}" xmlns:ex="{EX}"{extra}>'


def plain(syntax, size):
    if syntax == "turtle":
        return generate(lambda i: f"<{EX}s{i}> <{EX}p{i % 50}> <{EX}o{i}> .\n", size)
    return generate(lambda i: f'<rdf:Description rdf:about="{EX}s{i}"><ex:p{i % 50} rdf:resource="{EX}o{i}"/>'
                              "</rdf:Description>\n", size, rdf_root() + "\n", "</rdf:RDF>")


def names_under_many_bindings(size):
    n = size // 36
    return (f'<rdf:RDF xmlns:rdf="{RDFNS}" ' + " ".join(f'xmlns:p{i}="h:"' for i in range(n))
            + '>\n<rdf:Description rdf:about="h:s">' + "".join(f"<p0:n{i}>v</p0:n{i}>" for i in range(n))
            + "</rdf:Description></rdf:RDF>")


def literals_under_many_bindings(size):
    n = int((size / 70) ** 0.5)
    spaces = " ".join(f'xmlns:p{i}="{EX}x{i}"' for i in range(n))
    return repeat('<ex:p rdf:parseType="Literal"><a/></ex:p>', size,
                  rdf_root(" " + spaces) + '<rdf:Description rdf:about="h:s">', "</rdf:Description></rdf:RDF>")


def nesting_with_base_and_language(size):
    depth = 4500  # the reader refuses more than 10,000 open elements
    unit = '<rdf:Description rdf:about="s" xml:base="http://b.org/x/" xml:lang="en"><ex:p>'
    close = "</ex:p></rdf:Description>"
    one = unit * depth + "v" + close * depth
    return rdf_root() + one * max(1, size // len(one)) + "</rdf:RDF>"


SHAPES = [
    ("turtle", "relative bases with dot segments",
     lambda s: repeat("@base <./a/../b/./c/> .\n", s, f"@base <{EX}> .\n", "<s> <p> <o> .\n")),
    ("turtle", "references after a long last segment",
     lambda s: repeat("<x> <p> <y> .\n", s, f"@base <{EX}" + "a" * (s // 3) + "> .\n")),
    ("turtle", "references against a dotted base",
     lambda s: repeat("<x> <p> <y> .\n", s, f"@base <{EX}" + "a/./b/../" * (s // 30) + "> .\n")),
    ("turtle", "'..' against a long base",
     lambda s: repeat("<../../x> <p> <y> .\n", s, f"@base <{EX}" + "a/" * (s // 6) + "> .\n")),
    ("turtle", "many prefixes",
     lambda s: generate(lambda i: f"@prefix p{i}: <{EX}{i}/> .\np{i // 2}:s p{i // 3}:p p{i}:o .\n", s)),
    ("turtle", "one prefix redefined over and over",
     lambda s: generate(lambda i: f"@prefix p: <{EX}{i}/> .\np:s p:p p:o .\n", s)),
    ("turtle", "deep nesting",
     lambda s: f"@base <{EX}> .\n<s> <p> " + "[ <p> " * (s // 8) + "<o>" + " ]" * (s // 8) + " .\n"),
    ("turtle", "long collection", lambda s: f"@base <{EX}> .\n<s> <p> (" + " <o>" * (s // 4) + " ) .\n"),
    ("turtle", "a long subject, literal objects",
     lambda s: long_term_list(s, lambda n: f"<{'a' * n}> <p> ", lambda i: str(i))),
    ("turtle", "a long subject, '[ ]' objects",
     lambda s: long_term_list(s, lambda n: f"<{'a' * n}> <p> ", lambda i: f"[<q> {i}]")),
    ("turtle", "a long predicate, blank objects",
     lambda s: long_term_list(s, lambda n: f"<s> <{'a' * n}> ", lambda i: f"_:o{i}")),
    ("turtle", "a long prefixed predicate",
     lambda s: long_term_list(s, lambda n: f"@prefix e: <{EX}> .\ne:s e:{'a' * n} ", lambda i: f"_:o{i}")),
    ("rdfxml", "names under many bindings", names_under_many_bindings),
    ("rdfxml", "a binding on every element",
     lambda s: generate(lambda i: f'<ex:p xmlns:q{i % 7}="h:">v</ex:p>\n', s,
                        rdf_root() + '<rdf:Description rdf:about="h:s">', "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "XML literals under many bindings", literals_under_many_bindings),
    ("rdfxml", "attributes on one element",
     lambda s: rdf_root() + '<rdf:Description rdf:about="h:s" '
               + " ".join(f'ex:a{i}="v"' for i in range(s // 12)) + "/></rdf:RDF>"),
    ("rdfxml", "nesting with base and language", nesting_with_base_and_language),
    ("rdfxml", "references after a long base",
     lambda s: repeat('<rdf:Description rdf:about="x"><ex:p rdf:resource="y"/></rdf:Description>', s,
                      rdf_root(f' xml:base="{EX}' + "a" * (s // 3) + '"'), "</rdf:RDF>")),
    ("rdfxml", "a long rdf:about around its properties",
     lambda s: generate(lambda i: f"<ex:p>{i}</ex:p>", s,
                               rdf_root() + f'<rdf:Description rdf:about="{EX}' + "a" * (s // 2) + '">',
                               "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "a long xml:base, a subject from rdf:ID",
     lambda s: generate(lambda i: f"<ex:p>{i}</ex:p>", s,
                               rdf_root(f' xml:base="{EX}' + "a" * (s // 2) + '"') + '<rdf:Description rdf:ID="x">',
                               "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "names under a 4,000-byte namespace",
     lambda s: generate(lambda i: f"<q:T{i}/>", s, f'<rdf:RDF xmlns:rdf="{RDFNS}" xmlns:q="{EX}{"n" * 3986}">',
                        "</rdf:RDF>")),
    ("rdfxml", "an entity of apostrophes in XML literals",
     lambda s: repeat('<ex:p rdf:parseType="Literal">' + "&e;" * 20 + "</ex:p>", s,
                      f'<!DOCTYPE rdf:RDF [<!ENTITY e "{chr(39) * 2000}">]>' + rdf_root()
                      + '<rdf:Description rdf:about="h:s">', "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "entities in attribute values",
     lambda s: repeat('<rdf:Description rdf:about="h:s" ex:v="&e;&e;&e;&e;"/>', s,
                      f'<!DOCTYPE rdf:RDF [<!ENTITY e "{"x" * 200}">]>' + rdf_root(), "</rdf:RDF>")),
]


def ours(doc, syntax):
    """(best seconds, triples or the refusal's last words)."""
    best, what = float("inf"), None
    for _ in range(REPEAT):
        t = time.perf_counter()
        try:
            what = rdf.load_rdf_string(doc, syntax, CAP, CAP)[1]["total_triples"]
        except ValueError as e:
            what = "refused: ..." + str(e)[-48:]
        best = min(best, time.perf_counter() - t)
    return best, what


def peer(doc, syntax):
    """pyoxigraph's best parse time, or None when it is not installed or fails."""
    try:
        import pyoxigraph
    except ImportError:
        return None
    fmt = pyoxigraph.RdfFormat.TURTLE if syntax == "turtle" else pyoxigraph.RdfFormat.RDF_XML
    data = doc.encode()
    best = float("inf")
    for _ in range(REPEAT):
        t = time.perf_counter()
        try:
            for _ in pyoxigraph.parse(data, format=fmt):
                pass
        except (SyntaxError, ValueError):
            return None
        best = min(best, time.perf_counter() - t)
    return best


def export_shape(size):
    """The graph of a long subject with IRI objects: a term of half the size
    that the Turtle export groups every edge under."""
    return long_term_list(size, lambda n: f"<{'a' * n}> <p> ", lambda i: f"<o{i}>")


def alternating_predicates(size, pairs=None):
    """RDF/XML: one subject whose properties take turns between two names
    under one long namespace (each name made once, so the edges of a name
    share its text). The namespace takes half the size and pairs of
    properties the rest, or all but `pairs` pairs."""
    def pair(i):
        return f'<q:a rdf:resource="h:o{i}"/><q:b rdf:resource="h:p{i}"/>'

    def head(n):
        return f'<rdf:RDF xmlns:rdf="{RDFNS}" xmlns:q="{EX}{"n" * n}/"><rdf:Description rdf:about="h:s">'
    tail = "</rdf:Description></rdf:RDF>"
    if pairs is None:
        return generate(pair, size, head(size // 2), tail)
    body = "".join(pair(i) for i in range(pairs))
    return head(max(1, size - len(head(0)) - len(body) - len(tail))) + body + tail


def names_in_turn(size):
    """RDF/XML: one subject whose properties take turns between q:x, under a
    namespace of half the size, and ex:x, under a short one: every edge of
    a name shares one property map, and the maps alternate edge by edge."""
    def pair(i):
        return f'<q:x rdf:resource="h:o{i}"/><ex:x rdf:resource="h:p{i}"/>'
    head = rdf_root(f' xmlns:q="{EX}{"n" * (size // 2)}/"') + '<rdf:Description rdf:about="h:s">'
    return generate(pair, size, head, "</rdf:Description></rdf:RDF>")


def alternating_subjects(size, n=40):
    """RDF/XML: two subjects under an xml:base of almost the whole size,
    whose edges take turns (the IRI resolution budget allows about 50 uses
    of the base per document length)."""
    body = "".join(f'<rdf:Description rdf:about="{"xy"[i % 2]}"><ex:p rdf:resource="h:o{i}"/></rdf:Description>'
                   for i in range(n))
    fixed = len(rdf_root(f' xml:base="{EX}/"')) + len(body) + len("</rdf:RDF>")
    return rdf_root(f' xml:base="{EX}{"a" * max(1, size - fixed)}/"') + body + "</rdf:RDF>"


def pickle_long_predicate(size):
    """Turtle: one subject, a 2,000-byte predicate, objects to the size."""
    return generate(lambda i: ("," if i else "") + f":o{i}", size,
                    f"@prefix : <{EX}> .\n:s :{'p' * 2000} ", " .\n")


def pickle_long_subject(size):
    """Turtle: a subject of half the size, objects for the rest."""
    return long_term_list(size, lambda n: f"<{'a' * n}> <p> ", lambda i: f"<o{i}>")


def best_of(fn):
    best, out = float("inf"), None
    for _ in range(REPEAT):
        t = time.perf_counter()
        out = fn()
        best = min(best, time.perf_counter() - t)
    return best, out


def load(doc, syntax):
    """(best load seconds, graph)."""
    return best_of(lambda: rdf.load_rdf_string(doc, syntax, CAP, CAP)[0])


_DRIVER = []


def rdfxml_driver():
    """The RDF/XML export timer, built once; None without a compiler or a
    core library."""
    if not _DRIVER:
        lib = os.environ.get("BENCH_CORE_LIB")
        # The wheel-tag build (-Cbuild-dir=build/{wheel_tag}); a sanitizer
        # build elsewhere under build/ would need its runtime to link.
        libs = [Path(lib)] if lib else sorted(ROOT.glob("build/cp*/libvesk_core.a"), key=lambda p: p.stat().st_mtime)
        cxx = shutil.which(os.environ.get("CXX", "g++"))
        exe = Path(tempfile.gettempdir()) / f"vg_bench_export_rdfxml_{os.getpid()}"
        ok = bool(libs and cxx) and subprocess.run(
            [cxx, "-std=c++20", "-O2", f"-I{ROOT / 'src'}", str(ROOT / "bench" / "export_rdfxml.cpp"), str(libs[-1]),
             "-o", str(exe)], capture_output=True).returncode == 0
        if ok:
            atexit.register(exe.unlink, missing_ok=True)
        _DRIVER.append(exe if ok else None)
    return _DRIVER[0]


def export(doc, syntax, fmt):
    """(best export seconds, bytes written) of the document's graph."""
    if fmt == "rdfxml":
        driver = rdfxml_driver()
        if driver is None:
            return None, None
        with tempfile.NamedTemporaryFile("w", suffix=".doc", encoding="utf-8") as f:
            f.write(doc)
            f.flush()
            out = subprocess.run([str(driver), syntax, f.name, str(REPEAT)], capture_output=True, text=True)
        if out.returncode:
            return None, None
        ms, size = out.stdout.split()
        return float(ms) / 1e3, int(size)
    g = load(doc, syntax)[1]
    fn = getattr(rdf, f"export_{fmt}")
    t, text = best_of(lambda: fn(g))
    return t, len(text)


def long_predicate(size):
    """Turtle: one subject, a predicate of half the size, objects for the rest."""
    return long_term_list(size, lambda n: f"<s> <{'p' * n}> ", lambda i: f"<o{i}>")


def graph_work(doc, syntax, fn):
    """(best seconds of fn on the document's graph, its first edge's
    predicate and the graph loaded again, what it gave)."""
    g, again = load(doc, syntax)[1], load(doc, syntax)[1]
    p = kn.project_triples(g)[0][1]
    t, out = best_of(lambda: fn(g, p, again))
    return t, f"{len(out):,} items" if isinstance(out, list) else f"{out.n_edges:,} edges"


def pickled(doc, syntax):
    """(best pickle.dumps seconds, its outcome)."""
    g = load(doc, syntax)[1]

    def dump():
        try:
            return f"{len(pickle.dumps(g)):,} bytes"
        except RuntimeError as e:
            return "refused: " + str(e).split(";")[0].removeprefix("vesk-graph pickle payload is ")
        except MemoryError:
            return "MemoryError"
    return best_of(dump)


# (what, syntax, document of a size, work: "pickle" or an export format)
WORK_SHAPES = [
    ("export_turtle: a long subject", "turtle", export_shape, "turtle"),
    ("export_jsonld: alternating long predicates", "rdfxml", alternating_predicates, "jsonld"),
] + [
    (f"export_{fmt}: alternating long predicates, 100 edges", "rdfxml",
     lambda s: alternating_predicates(s, pairs=50), fmt) for fmt in ("turtle", "ntriples", "rdfxml")
] + [
    (f"export_{fmt}: alternating long subjects, 40 edges", "rdfxml", alternating_subjects, fmt)
    for fmt in ("jsonld", "turtle", "ntriples", "rdfxml")
] + [
    ("pickle: a 2,000-byte predicate on every edge", "turtle", pickle_long_predicate, "pickle"),
    ("pickle: a long subject on every edge", "turtle", pickle_long_subject, "pickle"),
] + [
    (f"{name}: a long predicate on every edge", "turtle", long_predicate, fn) for name, fn in [
        ("edges()", lambda g, p, h: g.edges()),
        ("edges_filtered", lambda g, p, h: g.edges_filtered("predicate", p)),
        ("project_triples", lambda g, p, h: kn.project_triples(g)),
        ("densify", lambda g, p, h: kn.densify(g, p)),
        ("merge_graphs, 'merge', with itself", lambda g, p, h: kn.merge_graphs(g, g, "merge")),
    ]
] + [
    (f"{name}: a long and a short name in turn", "rdfxml", names_in_turn, fn) for name, fn in [
        ("edges()", lambda g, p, h: g.edges()),
        ("edges_filtered('type', 'x')", lambda g, p, h: g.edges_filtered("type", "x")),
        ("merge_graphs, 'merge', with a copy", lambda g, p, h: kn.merge_graphs(g, h, "merge")),
    ]
] + [
    (f"{name}: a long subject on every edge", "turtle", export_shape, fn) for name, fn in [
        ("reverse", lambda g, p, h: g.reverse()),
        ("to_undirected", lambda g, p, h: g.to_undirected()),
        ("subgraph of every node", lambda g, p, h: g.subgraph(g.node_ids())),
        ("from_triples of its triples", lambda g, p, h: kn.from_triples(kn.project_triples(g))),
    ]
]


def work_rows():
    print(f"Exports and pickling of the graphs of such documents against plain ones of the same size (best of {REPEAT}).")
    print(f"  {'work: shape':<56} {'ours ms':>8} {'plain ms':>8} {'per byte':>9} {'per out':>8} {'2x size':>8}"
          f" {'load ms':>8} {'/ load':>7}  outcome")
    for name, syntax, make, work in WORK_SHAPES:
        doc = make(SIZE)
        usual = plain(syntax, len(doc))
        if callable(work):
            (t, what), (t_plain, _) = graph_work(doc, syntax, work), graph_work(usual, syntax, work)
            t_double = graph_work(make(2 * SIZE), syntax, work)[0]
            per_out = "-"
        elif work == "pickle":
            (t, what), (t_plain, _) = pickled(doc, syntax), pickled(usual, syntax)
            t_double = pickled(make(2 * SIZE), syntax)[0]
            per_out = "-"
        else:
            (t, out), (t_plain, plain_out) = export(doc, syntax, work), export(usual, syntax, work)
            if t is None or t_plain is None:
                print(f"  {name:<56} {'-':>8}  (no compiler or core library for the RDF/XML timer)")
                continue
            t_double = export(make(2 * SIZE), syntax, work)[0]
            # Per byte written, against a plain document whose export writes
            # as much: a text past the caches costs more per byte.
            if out > 2 * plain_out:
                t_plain_out, plain_out = export(plain(syntax, len(usual) * out // plain_out), syntax, work)
                t_plain_out = t_plain_out or t_plain
            else:
                t_plain_out = t_plain
            per_out = f"{(t / out) / (t_plain_out / plain_out):7.2f}x"
            what = f"{out:,} bytes written"
        t_load = load(doc, syntax)[0]
        print(f"  {name:<56} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x {per_out:>8} {t_double / t:7.2f}x"
              f" {t_load * 1e3:8.1f} {t / t_load:6.2f}x  {what}")


def in_turn(triples, kinds, length):
    """from_triples over `triples` triples whose predicates take turns among
    `kinds` texts of `length` bytes, each text in two str objects."""
    texts = [f"{i:04d}" + "p" * (length - 4) for i in range(kinds)]
    copies = [t[:1] + t[1:] for t in texts]
    rows = [(f"s{i}", (texts if i % 2 else copies)[i % kinds], f"o{i}") for i in range(triples)]
    return best_of(lambda: kn.from_triples(rows))[0]


def ids_in_turn(edges, length, nodes=5000):
    """edges() of a graph whose `nodes` ids of `length` bytes come round once
    every `nodes` edges."""
    ids = [f"{j:05d}" + "x" * (length - 5) for j in range(nodes)]
    g = kn.from_triples([(ids[i % nodes], "p", ids[(i + 1 + i // nodes) % nodes]) for i in range(edges)])
    return best_of(g.edges)[0]


MEMO_SHAPES = [
    ("from_triples: 32 predicates of 64 KiB in turn", lambda n: in_turn(n, 32, 65536), lambda n: in_turn(n, 32, 16)),
    ("from_triples: 128 predicates of 64 KiB in turn", lambda n: in_turn(n, 128, 65536), lambda n: in_turn(n, 128, 16)),
    ("edges(): 5,000 ids of 8 KB in turn", lambda n: ids_in_turn(5 * n, 8000), lambda n: ids_in_turn(5 * n, 16)),
]


def memo_rows():
    """Work over texts that many items share, given in turn, beside the same
    work over short texts: the long texts must cost once each, not per item."""
    n = max(1000, SIZE // 50)
    print(f"\nLong texts shared by many items in turn, beside short ones ({n:,} items, best of {REPEAT}).")
    print(f"  {'shape':<52} {'ours ms':>8} {'short ms':>8} {'ratio':>9} {'2x items':>9}")
    for name, ours_of, short_of in MEMO_SHAPES:
        t, t_short, t_double = ours_of(n), short_of(n), ours_of(2 * n)
        print(f"  {name:<52} {t * 1e3:8.1f} {t_short * 1e3:8.1f} {t / t_short:8.2f}x {t_double / t:8.2f}x")


# Writes the file argv[2], then argv[3] over and over, into the pipe argv[1]
# until the reader closes it or argv[4] bytes are out.
ENDLESS_WRITER = """
import os, sys
path, unit, limit = sys.argv[1], sys.argv[3].encode(), int(sys.argv[4])
with open(sys.argv[2], "rb") as f:
    head = f.read()
fd = os.open(path, os.O_WRONLY)
block = unit * max(1, 65536 // len(unit))
written = os.write(fd, head)
try:
    while written < limit:
        written += os.write(fd, block)
except BrokenPipeError:
    pass
"""

# Streams that never end inside one construct, read through a named pipe
# under a byte cap: (extension, name, head, unit).
PIPES = [
    ("ttl", "Turtle comment", "#", "x"),
    ("ttl", "Turtle long string of quotes", f'<{EX}s> <{EX}p> """', '"x'),
    ("nt", "N-Triples IRI of escapes", "<", "\\u00e9"),
    ("rdf", "RDF/XML processing instruction of '?'", "<?pi ", "?"),
    ("rdf", "RDF/XML CDATA of ']'", rdf_root() + '<rdf:Description rdf:about="h:s"><ex:p><![CDATA[', "]"),
    ("rdf", "RDF/XML comment of 'a-'", "<!--", "a-"),
    ("rdf", "RDF/XML DOCTYPE comment of '-'", "<!DOCTYPE r [<!--", "-"),
]


def through_pipe(ext, head, unit, cap, limit=None):
    """(seconds until the load ends, its outcome) for a pipe fed by another
    process with `head`, then `unit` until `limit` bytes (64 x the cap)."""
    with tempfile.TemporaryDirectory() as d:
        fifo, first = os.path.join(d, "stream." + ext), os.path.join(d, "head")
        os.mkfifo(fifo)
        with open(first, "w") as f:
            f.write(head)
        limit = 64 * cap if limit is None else limit
        writer = subprocess.Popen([sys.executable, "-c", ENDLESS_WRITER, fifo, first, unit, str(limit)])
        time.sleep(0.3)  # the writer's start-up, until it waits in its open, is not the load's time
        t = time.perf_counter()
        try:
            what = rdf.load_rdf_file(fifo, cap, CAP)[1]["total_triples"]
        except ValueError as e:
            what = str(e)
        elapsed = time.perf_counter() - t
        writer.kill()
        writer.wait()
    return elapsed, what


def pipes():
    """Each endless stream beside a plain document of the cap's size through a pipe."""
    print(f"\nEndless streams through a pipe, max_bytes = {SIZE:,}: refused one byte past the cap.")
    print(f"  {'stream':<40} {'ours ms':>8} {'plain ms':>8} {'ratio':>9} {'2x cap':>8}  bytes read")
    doc = plain("turtle", SIZE)
    for ext, name, head, unit in PIPES:
        t, what = through_pipe(ext, head, unit, SIZE)
        t_double, _ = through_pipe(ext, head, unit, 2 * SIZE)
        t_plain, _ = through_pipe("ttl", doc, " ", CAP, len(doc.encode()))
        read = what.split(" bytes;")[0].removeprefix("RDF file is ") if isinstance(what, str) else what
        print(f"  {name:<40} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x {t_double / t:7.2f}x  {read}")


def main():
    print(f"Hostile documents of about {SIZE:,} bytes against plain ones of the same size (best of {REPEAT}).")
    print(f"  {'shape':<40} {'ours ms':>8} {'plain ms':>8} {'per byte':>9} {'per triple':>10} {'2x size':>8}"
          f" {'pyoxigraph':>10}  outcome")
    for syntax, name, make in SHAPES:
        doc = make(SIZE)
        usual = plain(syntax, len(doc))
        t, what = ours(doc, syntax)
        t_plain, plain_triples = ours(usual, syntax)
        t_double, _ = ours(make(2 * SIZE), syntax)
        per_triple = ""
        if isinstance(what, int) and what >= 1000:
            per_triple = f"{(t / what) / (t_plain / plain_triples):9.2f}x"
        p, p_plain = peer(doc, syntax), peer(usual, syntax)
        theirs = f"{p / p_plain:9.2f}x" if p and p_plain else "         -"
        print(f"  {syntax + ': ' + name:<40} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x {per_triple:>10}"
              f" {t_double / t:7.2f}x {theirs:>10}  {what}")
    print()
    work_rows()
    memo_rows()
    pipes()


if __name__ == "__main__":
    if os.environ.get("BENCH_ONLY") == "work":
        work_rows()
        memo_rows()
    else:
        main()
