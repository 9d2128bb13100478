"""Bridges, articulation points and both matchings on a random undirected
graph of 1,000,000 nodes and 1,500,000 edges; is_bipartite on a random
two-sided graph of the same size (every edge joins an even to an odd node,
so the whole graph is searched); maximal cliques and k-clique communities
(k = 3) on a random graph of 2,000 nodes with average degree 20. Beside
networkx, rustworkx, igraph and networkit where they offer the operation.
Every (library, operation) pair runs in its own process with a time budget;
graph building is not timed. vesk_graph's first call on the fresh graph
pays for its adjacency snapshot; its second call (unchanged graph) is shown
beside it. Ratios are peer time / vesk_graph's first call.

    python bench/bench_structure.py
    (BENCH_NODES, BENCH_EDGES, BENCH_CLIQUE_NODES, BENCH_CLIQUE_DEGREE,
     BENCH_BUDGET seconds per case, BENCH_SKIP=networkx,... to leave peers out,
     BENCH_ONLY=greedy_matching,... for some operations)
"""

import json
import os
import random
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_NODES", 1_000_000))
M = int(os.environ.get("BENCH_EDGES", 1_500_000))
CN = int(os.environ.get("BENCH_CLIQUE_NODES", 2_000))
CM = CN * int(os.environ.get("BENCH_CLIQUE_DEGREE", 20)) // 2
BUDGET = float(os.environ.get("BENCH_BUDGET", 60))
SKIP = set(filter(None, os.environ.get("BENCH_SKIP", "").split(",")))
ONLY = set(filter(None, os.environ.get("BENCH_ONLY", "").split(",")))

SPARSE_OPS = ["bridges", "articulation_points", "is_bipartite", "greedy_matching", "maximum_matching"]
CLIQUE_OPS = ["maximal_cliques", "k_clique_communities"]
LIBS = ["vesk_graph", "networkx", "rustworkx", "igraph", "networkit"]


def edges_for(op):
    """Simple random edges (no loops, no repeats) over 0..n-1; for
    is_bipartite each joins an even to an odd node."""
    n, m, seed = (CN, CM, 5) if op in CLIQUE_OPS else (N, M, 3)
    rng = random.Random(seed)
    seen = set()
    while len(seen) < m:
        a, b = rng.randrange(n), rng.randrange(n)
        if op == "is_bipartite":
            a, b = a - a % 2, min(b | 1, n - 1 - n % 2)
        if a != b:
            seen.add((min(a, b), max(a, b)))
    return n, sorted(seen, key=lambda e: rng.random())


def vesk(op, n, edges):
    import vesk_graph._rust.algorithms as A

    g = _harness.vesk_graph_from_pairs(n, edges, directed=False)
    return {
        "bridges": lambda: len(A.bridges(g)),
        "articulation_points": lambda: len(A.articulation_points(g)),
        "is_bipartite": lambda: A.is_bipartite(g),
        "greedy_matching": lambda: len(A.greedy_matching(g)),
        "maximum_matching": lambda: len(A.maximum_matching(g)),
        "maximal_cliques": lambda: len(A.maximal_cliques(g, n, 2**63)),
        "k_clique_communities": lambda: len(A.k_clique_communities(g, 3)),
    }[op]


def networkx(op, n, edges):
    import networkx as nx

    g = nx.Graph()
    g.add_nodes_from(range(n))
    g.add_edges_from(edges)
    return {
        "bridges": lambda: sum(1 for _ in nx.bridges(g)),
        "articulation_points": lambda: sum(1 for _ in nx.articulation_points(g)),
        "is_bipartite": lambda: nx.is_bipartite(g),
        "greedy_matching": lambda: len(nx.maximal_matching(g)),
        "maximum_matching": lambda: len(nx.max_weight_matching(g, maxcardinality=True)),
        "maximal_cliques": lambda: sum(1 for _ in nx.find_cliques(g)),
        "k_clique_communities": lambda: sum(1 for _ in nx.community.k_clique_communities(g, 3)),
    }[op]


def rustworkx(op, n, edges):
    import rustworkx as rx

    g = rx.PyGraph()
    g.add_nodes_from(range(n))
    g.add_edges_from_no_data(edges)
    return {
        "bridges": lambda: len(rx.bridges(g)),
        "articulation_points": lambda: len(rx.articulation_points(g)),
        "is_bipartite": lambda: rx.is_bipartite(g),
        "maximum_matching": lambda: len(rx.max_weight_matching(g, max_cardinality=True)),
    }[op]


def igraph(op, n, edges):
    import igraph as ig

    g = ig.Graph(n=n, edges=edges)
    return {
        "bridges": lambda: len(g.bridges()),
        "articulation_points": lambda: len(g.articulation_points()),
        "is_bipartite": lambda: g.is_bipartite(),
        "maximal_cliques": lambda: len(g.maximal_cliques()),
    }[op]


def networkit(op, n, edges):
    import networkit as nk

    g = nk.Graph(n)
    for a, b in edges:
        g.addEdge(a, b)

    def suitor():  # a half-approximate matching: what networkit offers instead of a greedy one
        m = nk.matching.SuitorMatcher(g)
        m.run()
        return m.getMatching().size(g)

    def cliques():
        c = nk.clique.MaximalCliques(g)
        c.run()
        return len(c.getCliques())

    return {"greedy_matching": suitor, "maximal_cliques": cliques, "is_bipartite": lambda: nk.graphtools.isBipartite(g)}[op]


RUNNERS = {"vesk_graph": vesk, "networkx": networkx, "rustworkx": rustworkx, "igraph": igraph,
           "networkit": networkit}


def child(lib, op):
    n, edges = edges_for(op)
    try:
        run = RUNNERS[lib](op, n, edges)
    except KeyError:
        print(json.dumps({"absent": True}))
        return
    signal.alarm(max(1, int(BUDGET)))  # the default action ends the process, native code included
    t = time.perf_counter()
    size = run()
    out = {"seconds": time.perf_counter() - t, "size": size}
    if lib == "vesk_graph":
        t = time.perf_counter()
        run()
        out["second"] = time.perf_counter() - t
    print(json.dumps(out))


def case(lib, op):
    out = subprocess.run([sys.executable, __file__, "--child", lib, op], capture_output=True, text=True)
    if out.returncode == -signal.SIGALRM:
        return {"timeout": True}
    if out.returncode != 0:
        return {"error": (out.stderr.strip().splitlines() or ["failed"])[-1]}
    return json.loads(out.stdout.strip().splitlines()[-1])


def cell(r, base):
    if r is None or "absent" in r:
        return f"{'-':>16}"
    if "timeout" in r:
        return f"{'>' + format(BUDGET, 'g') + ' s':>16}"
    if "error" in r:
        return f"{'failed':>16}"
    ratio = f" x{r['seconds'] / base:.1f}" if base else ""
    return f"{r['seconds']:>9.3f}{ratio:>7}"


if __name__ == "__main__":
    if len(sys.argv) > 3 and sys.argv[1] == "--child":
        child(sys.argv[2], sys.argv[3])
        sys.exit(0)
    print(f"structure and matchings: {N:,} nodes, {M:,} edges; cliques: {CN:,} nodes, {CM:,} edges; undirected")
    print(f"  {'operation':<22}{'vesk_graph':>16}{'2nd call':>10}" + "".join(f"{n:>16}" for n in LIBS[1:])
          + "   (seconds; ratio = peer / vesk_graph's first call)")
    for op in SPARSE_OPS + CLIQUE_OPS:
        if ONLY and op not in ONLY:
            continue
        results = {lib: None if lib in SKIP else case(lib, op) for lib in LIBS}
        vesk = results["vesk_graph"] or {}
        base = vesk.get("seconds")
        sizes = {r["size"] for r in results.values() if r and "size" in r and "matching" not in op}
        note = "" if len(sizes) <= 1 else f"   sizes differ: {sizes}"
        second = f"{vesk['second']:>10.3f}" if "second" in vesk else f"{'-':>10}"
        print(f"  {op:<22}{cell(vesk, None)}{second}" + "".join(cell(results[lib], base) for lib in LIBS[1:]) + note,
              flush=True)
