"""Build a graph of 1,000,000 nodes and 4,000,000 edges from Python (string
ids, small property dicts on every tenth node and edge), beside networkx.

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


CASES = {
    "vesk_graph": (data, build_vesk),
    "networkx": (data, build_networkx),
}

if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--child":
        _harness.child_main(CASES)
    else:
        _harness.report(f"build: {N:,} nodes, {M:,} edges (time excludes making the id lists)", __file__, list(CASES))
