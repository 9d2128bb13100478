"""BFS, DFS, Dijkstra (unweighted and weighted) and Bellman-Ford on a random
directed graph of 1,000,000 nodes and 5,000,000 edges, beside networkx and
rustworkx (when installed). Each library runs in its own process; graph
building is not timed.

    python bench/bench_traversal_paths.py        (BENCH_NODES / BENCH_EDGES to resize)
"""

import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_NODES", 1_000_000))
M = int(os.environ.get("BENCH_EDGES", 5_000_000))
OPS = ["bfs", "dfs", "dijkstra", "dijkstra_weighted", "bellman_ford"]


def data():
    rng = random.Random(11)
    edges = [(rng.randrange(N), rng.randrange(N), rng.randint(1, 100)) for _ in range(M)]
    return edges


def timed(fn):
    t = time.perf_counter()
    out = fn()
    return time.perf_counter() - t, out


def run_vesk(edges):
    import vesk_graph._rust.algorithms as A
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph(multi=True)
    ids = [str(i) for i in range(N)]
    for i in ids:
        g.add_node(i)
    for a, b, w in edges:
        g.add_edge(ids[a], ids[b], {"w": w})
    return {
        "bfs": timed(lambda: len(A.bfs(g, "0"))),
        "dfs": timed(lambda: len(A.dfs(g, "0"))),
        "dijkstra": timed(lambda: len(A.shortest_paths(g, "0"))),
        "dijkstra_weighted": timed(lambda: len(A.shortest_paths(g, "0", weight_key="w"))),
        "bellman_ford": timed(lambda: len(A.bellman_ford_paths(g, "0", "w"))),
    }


def run_networkx(edges):
    import networkx as nx

    g = nx.MultiDiGraph()
    g.add_nodes_from(str(i) for i in range(N))
    g.add_edges_from((str(a), str(b), {"w": w}) for a, b, w in edges)
    return {
        "bfs": timed(lambda: sum(1 for _ in nx.bfs_tree(g, "0"))),
        "dfs": timed(lambda: sum(1 for _ in nx.dfs_preorder_nodes(g, "0"))),
        "dijkstra": timed(lambda: len(nx.single_source_dijkstra_path_length(g, "0", weight=lambda u, v, d: 1))),
        "dijkstra_weighted": timed(lambda: len(nx.single_source_dijkstra_path_length(g, "0", weight="w"))),
        "bellman_ford": timed(lambda: len(nx.single_source_bellman_ford_path_length(g, "0", weight="w"))),
    }


def run_rustworkx(edges):
    import rustworkx as rx

    g = rx.PyDiGraph(multigraph=True)
    g.add_nodes_from(range(N))
    g.add_edges_from([(a, b, float(w)) for a, b, w in edges])
    return {
        "bfs": timed(lambda: len(rx.bfs_successors(g, 0))),
        "dfs": timed(lambda: len(rx.dfs_edges(g, 0))),
        "dijkstra": timed(lambda: len(rx.dijkstra_shortest_path_lengths(g, 0, lambda w: 1.0))),
        "dijkstra_weighted": timed(lambda: len(rx.dijkstra_shortest_path_lengths(g, 0, lambda w: w))),
        "bellman_ford": timed(lambda: len(rx.bellman_ford_shortest_path_lengths(g, 0, lambda w: w))),
    }


RUNNERS = {"vesk_graph": run_vesk, "networkx": run_networkx, "rustworkx": run_rustworkx}

if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        res = RUNNERS[sys.argv[2]](data())
        print(json.dumps({k: v[0] for k, v in res.items()}))
        sys.exit(0)
    print(f"traversals and paths: {N:,} nodes, {M:,} edges, directed, from one source")
    results = {}
    for name in RUNNERS:
        found, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name}: unavailable ({err})")
            continue
        results[name] = found
    print(f"  {'operation':<20}" + "".join(f"{n:>14}" for n in results) + "   (seconds; ratio = peer / vesk_graph)")
    for op in OPS:
        row = f"  {op:<20}"
        for name, r in results.items():
            t = r[op]
            ratio = "" if name == "vesk_graph" or "vesk_graph" not in results else f" x{t / results['vesk_graph'][op]:.1f}"
            row += f"{t:>9.3f}{ratio:>5}" if ratio else f"{t:>14.3f}"
        print(row)
