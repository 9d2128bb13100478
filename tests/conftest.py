import os
import signal
import subprocess
import sys
from itertools import starmap

import pytest

from vesk_graph._rust.graph import PyGraph


def build(edges=(), nodes=(), directed=True, multi=False):
    """A graph with the given nodes (in order) and then edges."""
    g = PyGraph(directed=directed, multi=multi)
    for n in nodes:
        g.add_node(n)
    for e in edges:
        for n in e[:2]:
            if n not in g:
                g.add_node(n)
        g.add_edge(*e)
    return g


@pytest.fixture
def make():
    return build


# Another process presses Ctrl-C: the work it should stop holds the interpreter.
_PRESS = "import os, signal, sys, time; time.sleep(0.5); os.kill(int(sys.argv[1]), signal.SIGINT)"


@pytest.fixture
def ctrl_c():
    """ctrl_c(fn, *args) runs fn(*args), presses Ctrl-C half a second in and
    checks that fn stopped with KeyboardInterrupt and returned nothing. fn
    must end on its own if the signal is lost, so that the test fails
    instead of hanging. Python's own SIGINT handler is in place for the
    test, as a run started in the background ignores SIGINT."""
    previous = signal.getsignal(signal.SIGINT)
    if previous is None:
        pytest.skip("the SIGINT handler was not set from Python, so it could not be put back")
    try:
        signal.signal(signal.SIGINT, signal.default_int_handler)
    except ValueError:
        pytest.skip("SIGINT handlers can only be set on the main thread")

    def press(fn, *args):
        kept = []
        presser = subprocess.Popen([sys.executable, "-c", _PRESS, str(os.getpid())])
        try:
            # extend keeps fn's result before the interpreter runs pending
            # handlers: a Ctrl-C that fn missed surfaces only after that.
            kept.extend(starmap(fn, [args]))
        except KeyboardInterrupt:
            assert not kept, "Ctrl-C did not stop the call; it was raised after the call ended"
        else:
            pytest.fail("the call ended before Ctrl-C came")
        finally:
            # A Ctrl-C still on its way is dropped.
            signal.signal(signal.SIGINT, lambda *_: None)
            presser.kill()
            presser.wait(timeout=60)
            signal.signal(signal.SIGINT, signal.default_int_handler)

    yield press
    signal.signal(signal.SIGINT, previous)


@pytest.fixture
def memory_capped(tmp_path):
    """memory_capped(setup, work, headroom_mib) runs `setup` in a fresh
    interpreter, caps its address space at what it then uses plus
    `headroom_mib`, runs `work` and returns what it printed. Work that needs
    far more memory than its result fails there, whatever the machine's
    overcommit would have let through."""
    if "libasan" in os.environ.get("LD_PRELOAD", ""):
        pytest.skip("AddressSanitizer reserves its shadow memory beyond any address-space limit")

    def run(setup, work, headroom_mib=600):
        script = (
            f"{setup}\n"
            "import resource\n"
            "with open('/proc/self/statm') as f: used = int(f.read().split()[0]) * resource.getpagesize()\n"
            f"resource.setrlimit(resource.RLIMIT_AS, (used + ({headroom_mib} << 20), resource.RLIM_INFINITY))\n"
            f"{work}\n"
        )
        out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=600, cwd=tmp_path)
        assert out.returncode == 0, out.stderr[-2000:]
        return out.stdout

    return run
