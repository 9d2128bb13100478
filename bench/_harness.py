"""Shared helpers: run one case in a fresh process and report its time and
peak resident memory, so libraries do not share an address space."""

import json
import os
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


def rss_mib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def reset_peak():
    """Starts a new peak-memory window and returns the resident MiB now, its
    base: on Linux the kernel's high-water mark is cleared, so input read
    before the case (a big file as a string) does not hide the case's own
    peak."""
    try:
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")
    except OSError:
        pass
    return rss_mib()


def best_of(script, args, repeat):
    """Runs `script --child args...` `repeat` times, each in a fresh process:
    (the fastest run's JSON, with "peak_mib" the largest of all runs), or
    (None, the error of the first failing run)."""
    best, peak = None, 0.0
    for _ in range(repeat):
        r, err = run_child(script, *args)
        if err is not None:
            return None, err
        peak = max(peak, r.get("peak_mib") or 0.0)
        if best is None or r["seconds"] < best["seconds"]:
            best = r
    best["peak_mib"] = peak
    return best, None


def run_command(argv):
    """Runs a command-line tool with its output to /dev/null: (seconds, None,
    its peak resident MiB). The peak comes from GNU time when installed (a
    child forked from this interpreter would report the interpreter's own
    size), else it is NaN."""
    import shutil

    if shutil.which(argv[0]) is None:
        raise RuntimeError(f"{argv[0]} is not installed")
    timer = shutil.which("time") or ("/usr/bin/time" if os.path.exists("/usr/bin/time") else None)
    prefix = [timer, "-f", "%M"] if timer else []
    t = time.perf_counter()
    out = subprocess.run(prefix + argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    seconds = time.perf_counter() - t
    peak = float(out.stderr.strip().splitlines()[-1]) / 1024.0 if timer else float("nan")
    return seconds, None, peak


def timed(setup):
    """Runs setup() (imports, reading the input), then times the function
    it returns in a fresh peak-memory window: (seconds, its result, the MiB
    the run added at its peak)."""
    run = setup()
    base = reset_peak()
    t = time.perf_counter()
    result = run()
    seconds = time.perf_counter() - t
    return seconds, result, peak_rss_mib() - base


def ratio_table(script, names, inputs, n, repeat, small=()):
    """Runs each case (best_of) on its input and prints seconds, MB/s,
    triples/s, peak MiB and its time and peak over those of the first case.
    inputs(name) -> (path, triples, extra child args). The cases in `small`
    ran on a smaller input: their time and memory are scaled per triple.
    Returns {name: (scaled seconds, scaled peak MiB)}."""
    print(f"  {'case':<28} {'seconds':>8} {'MB/s':>7} {'Mtriples/s':>10} {'peak MiB':>9}"
          f" {'time ratio':>11} {'memory ratio':>13}")
    base, results = None, {}
    for name in names:
        path, count, extra = inputs(name)
        r, err = best_of(script, [name, path, *extra], repeat)
        if err is not None:
            print(f"  {name:<28} unavailable ({err})")
            continue
        if isinstance(r.get("triples"), int) and r["triples"] != count:
            print(f"  {name:<28} read {r['triples']:,} triples, expected {count:,}")
        scale = n / count if name in small else 1.0
        secs, peak = r["seconds"] * scale, r["peak_mib"] * scale
        base = base or (secs, peak)
        results[name] = (secs, peak)
        mb = os.path.getsize(path) / 1e6 / r["seconds"]
        print(f"  {name:<28} {r['seconds']:8.2f} {mb:7.1f} {count / r['seconds'] / 1e6:10.2f} {r['peak_mib']:9.1f}"
              f" {secs / base[0]:10.2f}x {peak / max(base[1], 1e-9):12.2f}x{' (per triple)' if scale != 1 else ''}")
    return results
