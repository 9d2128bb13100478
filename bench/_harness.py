"""Shared helpers: run one case in a fresh process and report its time and
peak resident memory, so libraries do not share an address space."""

import json
import subprocess
import sys
import time


def peak_rss_mib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def vesk_graph_from_pairs(n, edges, **flags):
    """A PyGraph of nodes "0".."n-1" and the edges (a, b) between them, in
    the order given; flags as PyGraph takes them (directed, multi)."""
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph(**flags)
    ids = [str(i) for i in range(n)]
    for i in ids:
        g.add_node(i)
    for a, b in edges:
        g.add_edge(ids[a], ids[b])
    return g


def child_main(cases):
    """Entry for the child: run the case named on the command line."""
    name = sys.argv[2]
    setup, run = cases[name]
    state = setup()
    base = peak_rss_mib()
    t0 = time.perf_counter()
    extra = run(state)
    elapsed = time.perf_counter() - t0
    print(json.dumps({"seconds": elapsed, "peak_mib": peak_rss_mib(), "base_mib": base, "extra": extra}))


def run_child(script, *args, env=None):
    """Runs `script --child args...` in a fresh interpreter: (the JSON of its
    last output line, None), or (None, the last line of its error output)."""
    out = subprocess.run([sys.executable, script, "--child", *args], capture_output=True, text=True, env=env)
    if out.returncode != 0:
        return None, (out.stderr.strip().splitlines() or ["failed"])[-1]
    return json.loads(out.stdout.strip().splitlines()[-1]), None


def run_case(script, name):
    result, error = run_child(script, name)
    return {"error": error} if error is not None else result


def report(title, script, names):
    print(title)
    results = {}
    for name in names:
        r = run_case(script, name)
        results[name] = r
        if "error" in r:
            print(f"  {name:<28} unavailable: {r['error']}")
        else:
            extra = f"  {r['extra']}" if r.get("extra") else ""
            grown = r["peak_mib"] - r["base_mib"]
            print(f"  {name:<28} {r['seconds']:9.3f} s   peak {r['peak_mib']:9.1f} MiB (+{grown:.1f} MiB by the build){extra}")
    return results
