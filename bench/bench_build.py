"""Build a graph of 1,000,000 nodes and 4,000,000 edges from Python (string
ids, small property dicts on every tenth node and edge), beside rustworkx
(an add_node/add_edge loop with the user's own id-to-index dict), igraph
(one constructor call from index lists plus attribute lists, its fast path)
and networkx. Reports seconds and the memory the build adds.

    python bench/bench_build.py [n_nodes] [n_edges]
"""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_NODES", 1_000_000))
M = int(os.environ.get("BENCH_EDGES", 4_000_000))


def data():
    rng = random.Random(7)
    ids = [f"n{i}" for i in range(N)]
    edges = [(ids[rng.randrange(N)], ids[rng.randrange(N)]) for _ in range(M)]
    return ids, edges


def build_vesk(state):
    from vesk_graph._rust.graph import PyGraph

    ids, edges = state
    g = PyGraph(directed=True, multi=True)
    add_node, add_edge = g.add_node, g.add_edge
    for i, n in enumerate(ids):
        add_node(n, {"rank": i, "kind": "person"} if i % 10 == 0 else None)
    for i, (a, b) in enumerate(edges):
        add_edge(a, b, {"weight": 1.5} if i % 10 == 0 else None)
    return f"nodes={g.n_nodes} edges={g.n_edges}"


def build_networkx(state):
    import networkx as nx

    ids, edges = state
    g = nx.MultiDiGraph()
    add_node, add_edge = g.add_node, g.add_edge
    for i, n in enumerate(ids):
        if i % 10 == 0:
            add_node(n, rank=i, kind="person")
        else:
            add_node(n)
    for i, (a, b) in enumerate(edges):
        if i % 10 == 0:
            add_edge(a, b, weight=1.5)
        else:
            add_edge(a, b)
    return f"nodes={g.number_of_nodes()} edges={g.number_of_edges()}"


def build_rustworkx(state):
    import rustworkx as rx

    ids, edges = state
    g = rx.PyDiGraph(multigraph=True)
    add_node, add_edge = g.add_node, g.add_edge
    index = {}
    for i, n in enumerate(ids):
        index[n] = add_node({"id": n, "rank": i, "kind": "person"} if i % 10 == 0 else n)
    for i, (a, b) in enumerate(edges):
        add_edge(index[a], index[b], {"weight": 1.5} if i % 10 == 0 else None)
    return f"nodes={g.num_nodes()} edges={g.num_edges()}"


def build_igraph(state):
    import igraph as ig

    ids, edges = state
    index = {n: i for i, n in enumerate(ids)}
    g = ig.Graph(n=len(ids), edges=[(index[a], index[b]) for a, b in edges], directed=True)
    g.vs["name"] = ids
    g.vs["rank"] = [i if i % 10 == 0 else None for i in range(len(ids))]
    g.vs["kind"] = ["person" if i % 10 == 0 else None for i in range(len(ids))]
    g.es["weight"] = [1.5 if i % 10 == 0 else None for i in range(len(edges))]
    return f"nodes={g.vcount()} edges={g.ecount()}"


CASES = {
    "vesk_graph": (data, build_vesk),
    "rustworkx": (data, build_rustworkx),
    "igraph": (data, build_igraph),
    "networkx": (data, build_networkx),
}

if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--child":
        _harness.child_main(CASES)
    else:
        skip = set(filter(None, os.environ.get("BENCH_SKIP", "").split(",")))
        res = _harness.report(f"build: {N:,} nodes, {M:,} edges (time excludes making the id lists)", __file__,
                              [c for c in CASES if c not in skip])
        v = res.get("vesk_graph", {})
        if "seconds" in v:
            for name, r in res.items():
                if name != "vesk_graph" and "seconds" in r:
                    print(f"  vs {name:<12} time x{r['seconds'] / v['seconds']:.2f} (peer / vesk_graph), "
                          f"memory x{(v['peak_mib'] - v['base_mib']) / (r['peak_mib'] - r['base_mib']):.2f} "
                          f"(vesk_graph / peer)")
