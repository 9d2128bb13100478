"""BFS, DFS, Dijkstra (unit weights and a weight key) and Bellman-Ford on a
random directed graph of 1,000,000 nodes and 4,000,000 edges, beside
rustworkx, igraph and networkx (those installed). Every library gets the same
edges and returns string ids (peers' integer results are mapped through the
id list, inside the timing). vesk_graph is timed on its first call and on a
second call on the unchanged graph (which reuses the graph's adjacency
snapshot and weight table); peers are timed twice and the faster run counts.
Each library runs in its own process; graph building is not timed.

    python bench/bench_traversal_paths.py     (BENCH_NODES / BENCH_EDGES to resize,
                                               BENCH_SKIP=networkx,igraph to leave peers out)
"""

import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_NODES", 1_000_000))
M = int(os.environ.get("BENCH_EDGES", 4_000_000))
SKIP = set(filter(None, os.environ.get("BENCH_SKIP", "").split(",")))
OPS = ["bfs", "dfs", "dijkstra", "dijkstra_weighted", "bellman_ford"]
INF = float("inf")


def data():
    rng = random.Random(11)
    edges = [(rng.randrange(N), rng.randrange(N), rng.randint(1, 100)) for _ in range(M)]
    return [str(i) for i in range(N)], edges


def timed(fn):
    t = time.perf_counter()
    out = fn()
    return time.perf_counter() - t, out


def best_of_two(fn):
    return min(timed(fn)[0], timed(fn)[0])


def run_vesk(ids, edges):
    import vesk_graph._rust.algorithms as A
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph(multi=True)
    for i in ids:
        g.add_node(i)
    for a, b, w in edges:
        g.add_edge(ids[a], ids[b], {"w": w})
    calls = {
        "bfs": lambda: A.bfs(g, "0"),
        "dfs": lambda: A.dfs(g, "0"),
        "dijkstra": lambda: A.shortest_paths(g, "0"),
        "dijkstra_weighted": lambda: A.shortest_paths(g, "0", weight_key="w"),
        "bellman_ford": lambda: A.bellman_ford_paths(g, "0", "w"),
    }
    out = {}
    for op, fn in calls.items():
        # A change drops the cached snapshot, so each first call builds it.
        g.add_node("drop-cache")
        g.remove_node("drop-cache")
        first = timed(fn)[0]
        out[op] = first
        out[op + " (second call)"] = timed(fn)[0]
    return out


def run_rustworkx(ids, edges):
    import rustworkx as rx

    g = rx.PyDiGraph(multigraph=True)
    g.add_nodes_from(ids)
    g.add_edges_from([(a, b, float(w)) for a, b, w in edges])

    def bfs():
        order = [ids[0]]
        for _, succ in rx.bfs_successors(g, 0):
            order.extend(succ)
        return order

    def dfs():
        return [ids[0]] + [ids[v] for _, v in rx.dfs_edges(g, 0)]

    def lengths(res):
        out = {ids[0]: 0.0}
        out.update((ids[k], v) for k, v in res.items())
        return out

    return {
        "bfs": best_of_two(bfs),
        "dfs": best_of_two(dfs),
        "dijkstra": best_of_two(lambda: lengths(rx.dijkstra_shortest_path_lengths(g, 0, lambda _: 1.0))),
        "dijkstra_weighted": best_of_two(lambda: lengths(rx.dijkstra_shortest_path_lengths(g, 0, float))),
        "bellman_ford": best_of_two(lambda: lengths(rx.bellman_ford_shortest_path_lengths(g, 0, float))),
    }


def run_igraph(ids, edges):
    import igraph as ig

    g = ig.Graph(n=N, edges=[(a, b) for a, b, _ in edges], directed=True)
    g.es["w"] = [float(w) for _, _, w in edges]

    def costs(row):
        return {ids[i]: d for i, d in enumerate(row) if d != INF}

    return {
        "bfs": best_of_two(lambda: [ids[v] for v in g.bfs(0, mode="out")[0]]),
        "dfs": best_of_two(lambda: [ids[v] for v in g.dfs(0, mode="out")[0]]),
        "dijkstra": best_of_two(lambda: costs(g.distances(0, mode="out")[0])),
        "dijkstra_weighted": best_of_two(lambda: costs(g.distances(0, weights="w", mode="out",
                                                                   algorithm="dijkstra")[0])),
        "bellman_ford": best_of_two(lambda: costs(g.distances(0, weights="w", mode="out",
                                                              algorithm="bellman_ford")[0])),
    }


def run_networkx(ids, edges):
    import networkx as nx

    g = nx.MultiDiGraph()
    g.add_nodes_from(ids)
    g.add_edges_from((ids[a], ids[b], {"w": w}) for a, b, w in edges)
    return {
        "bfs": timed(lambda: list(nx.bfs_tree(g, "0")))[0],
        "dfs": timed(lambda: list(nx.dfs_preorder_nodes(g, "0")))[0],
        "dijkstra": timed(lambda: nx.single_source_shortest_path_length(g, "0"))[0],
        "dijkstra_weighted": timed(lambda: nx.single_source_dijkstra_path_length(g, "0", weight="w"))[0],
        "bellman_ford": timed(lambda: nx.single_source_bellman_ford_path_length(g, "0", weight="w"))[0],
    }


RUNNERS = {"vesk_graph": run_vesk, "rustworkx": run_rustworkx, "igraph": run_igraph, "networkx": run_networkx}

if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        print(json.dumps(RUNNERS[sys.argv[2]](*data())))
        sys.exit(0)
    print(f"traversals and paths: {N:,} nodes, {M:,} edges, directed, from one source, string ids")
    results = {}
    for name in RUNNERS:
        if name in SKIP:
            continue
        found, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name}: unavailable ({err})")
            continue
        results[name] = found
    vesk = results.get("vesk_graph")
    peers = [n for n in results if n != "vesk_graph"]
    print(f"  {'operation':<20}{'vesk 1st':>10}{'vesk 2nd':>10}" + "".join(f"{n:>12}" for n in peers)
          + "   (seconds; peer / vesk 2nd call, first call in brackets)")
    for op in OPS:
        row = f"  {op:<20}"
        if vesk:
            row += f"{vesk[op]:>10.3f}{vesk[op + ' (second call)']:>10.3f}"
        for name in peers:
            t = results[name][op]
            row += f"{t:>12.3f}"
            if vesk:
                row += f"  x{t / vesk[op + ' (second call)']:.1f} (x{t / vesk[op]:.1f})"
        print(row)
