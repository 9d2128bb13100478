"""Strongly and weakly connected components, ancestors and descendants (of
one node, in the giant component) on a random directed graph of 1,000,000
nodes and 5,000,000 edges; topological sort on a random DAG of the same size; transitive closure and
condensation on a 20,000-node DAG (about 1.1 million closure edges); all
simple paths of at most 7 edges between two nodes of a random directed
graph of 100 nodes and 1,000 edges (no loops, no repeats; about 70,000
paths). Beside networkx, rustworkx and igraph (when installed), each
library in its own process; graph building is not timed, building the
results is (vesk_graph's paths are lists of id strings, the peers' lists of
node numbers).

rustworkx has no transitive closure function in Python: its row runs
`descendants` per node and adds the edges, what a user would write.
igraph has none either and shows no closure figure.

The simple paths take a few tens of milliseconds, so every library's figure
is the best of 3 calls; vesk_graph's calls each start without an adjacency
snapshot (its best of 3 calls on the unchanged graph, snapshot kept, is
shown in brackets).

    python bench/bench_components_dag.py   (BENCH_NODES / BENCH_EDGES / BENCH_DAG_NODES to resize,
                                            BENCH_SKIP=networkx,... to leave peers out)
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
D = int(os.environ.get("BENCH_DAG_NODES", 20_000))
SKIP = set(filter(None, os.environ.get("BENCH_SKIP", "").split(",")))
OPS = ["scc", "weak_components", "topological_sort", "ancestors", "descendants", "transitive_closure", "condensation",
       "all_simple_paths"]
PATH_NODES, PATH_EDGES, PATH_LENGTH = 100, 1000, 7  # paths of at most PATH_LENGTH edges from node 0 to node 1


def random_edges():
    rng = random.Random(11)
    return [(rng.randrange(N), rng.randrange(N)) for _ in range(M)]


def dag_edges():
    """Edges from a lower to a higher node number."""
    rng = random.Random(12)
    out = []
    for _ in range(M):
        a, b = rng.randrange(N), rng.randrange(N)
        if a != b:
            out.append((min(a, b), max(a, b)))
    return out


def small_dag_edges():
    """Each node hangs from one or two earlier nodes: a tree-like DAG whose
    closure stays near 1.1 million edges."""
    rng = random.Random(5)
    out = []
    for j in range(1, D):
        for _ in range(2 if rng.random() < 0.5 else 1):
            out.append((rng.randrange(j), j))
    return out


def path_edges():
    rng = random.Random(13)
    seen = set()
    while len(seen) < PATH_EDGES:
        a, b = rng.randrange(PATH_NODES), rng.randrange(PATH_NODES)
        if a != b:
            seen.add((a, b))
    return sorted(seen, key=lambda e: rng.random())


def timed(fn):
    t = time.perf_counter()
    fn()
    return time.perf_counter() - t


def best_of_3(fn, before=lambda: None):
    times = []
    for _ in range(3):
        before()
        times.append(timed(fn))
    return min(times)


def run_vesk():
    import vesk_graph._rust.algorithms as A

    def build(n, edges):
        return _harness.vesk_graph_from_pairs(n, edges, multi=True)

    res = {}
    g = build(N, random_edges())
    res["scc"] = timed(lambda: A.strongly_connected_components(g))
    res["weak_components"] = timed(lambda: A.weakly_connected_components(g))
    res["ancestors"] = timed(lambda: A.ancestors(g, "0"))
    res["descendants"] = timed(lambda: A.descendants(g, "0"))
    del g
    g = build(N, dag_edges())
    res["topological_sort"] = timed(lambda: A.topological_sort(g))
    del g
    g = build(D, small_dag_edges())
    res["transitive_closure"] = timed(lambda: A.transitive_closure(g))
    res["condensation"] = timed(lambda: A.condensation(g))
    del g
    g = build(PATH_NODES, path_edges())
    paths = lambda: A.all_simple_paths(g, "0", "1", max_depth=PATH_LENGTH + 1, max_paths=2**63)  # noqa: E731

    def drop_snapshot():  # a change drops it
        g.add_node("drop-cache")
        g.remove_node("drop-cache")

    res["all_simple_paths"] = best_of_3(paths, drop_snapshot)
    res["all_simple_paths (second call)"] = best_of_3(paths)
    return res


def run_networkx():
    import networkx as nx

    def build(n, edges):
        g = nx.DiGraph()
        g.add_nodes_from(range(n))
        g.add_edges_from(edges)
        return g

    res = {}
    g = build(N, random_edges())
    res["scc"] = timed(lambda: list(nx.strongly_connected_components(g)))
    res["weak_components"] = timed(lambda: list(nx.weakly_connected_components(g)))
    res["ancestors"] = timed(lambda: nx.ancestors(g, 0))
    res["descendants"] = timed(lambda: nx.descendants(g, 0))
    del g
    g = build(N, dag_edges())
    res["topological_sort"] = timed(lambda: list(nx.topological_sort(g)))
    del g
    g = build(D, small_dag_edges())
    res["transitive_closure"] = timed(lambda: nx.transitive_closure_dag(g))
    res["condensation"] = timed(lambda: nx.condensation(g))
    g = build(PATH_NODES, path_edges())
    res["all_simple_paths"] = best_of_3(lambda: list(nx.all_simple_paths(g, 0, 1, cutoff=PATH_LENGTH)))
    return res


def run_rustworkx():
    import rustworkx as rx

    def build(n, edges):
        g = rx.PyDiGraph()
        g.add_nodes_from(range(n))
        g.add_edges_from_no_data(edges)
        return g

    def closure(g):
        out = g.copy()
        out.add_edges_from_no_data(
            [(u, w) for u in g.node_indices() for w in rx.descendants(g, u) if not g.has_edge(u, w)]
        )
        return out

    res = {}
    g = build(N, random_edges())
    res["scc"] = timed(lambda: rx.strongly_connected_components(g))
    res["weak_components"] = timed(lambda: rx.weakly_connected_components(g))
    res["ancestors"] = timed(lambda: rx.ancestors(g, 0))
    res["descendants"] = timed(lambda: rx.descendants(g, 0))
    del g
    g = build(N, dag_edges())
    res["topological_sort"] = timed(lambda: rx.topological_sort(g))
    del g
    g = build(D, small_dag_edges())
    res["transitive_closure"] = timed(lambda: closure(g))
    res["condensation"] = timed(lambda: rx.condensation(g))
    g = build(PATH_NODES, path_edges())
    # Its cutoff counts nodes.
    res["all_simple_paths"] = best_of_3(lambda: rx.all_simple_paths(g, 0, 1, cutoff=PATH_LENGTH + 1))
    return res


def run_igraph():
    import igraph as ig

    res = {}
    g = ig.Graph(n=N, edges=random_edges(), directed=True)
    res["scc"] = timed(lambda: list(g.connected_components(mode="strong")))
    res["weak_components"] = timed(lambda: list(g.connected_components(mode="weak")))
    res["ancestors"] = timed(lambda: g.subcomponent(0, mode="in"))
    res["descendants"] = timed(lambda: g.subcomponent(0, mode="out"))
    del g
    g = ig.Graph(n=N, edges=dag_edges(), directed=True)
    res["topological_sort"] = timed(lambda: g.topological_sorting())
    del g
    g = ig.Graph(n=D, edges=small_dag_edges(), directed=True)
    res["condensation"] = timed(lambda: g.connected_components(mode="strong").cluster_graph())
    g = ig.Graph(n=PATH_NODES, edges=path_edges(), directed=True)
    res["all_simple_paths"] = best_of_3(lambda: g.get_all_simple_paths(0, to=1, maxlen=PATH_LENGTH))
    return res


RUNNERS = {"vesk_graph": run_vesk, "networkx": run_networkx, "rustworkx": run_rustworkx, "igraph": run_igraph}

if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        print(json.dumps(RUNNERS[sys.argv[2]]()))
        sys.exit(0)
    print(f"components and DAG operations: {N:,} nodes, {M:,} edges; closure and condensation on {D:,} nodes")
    results = {}
    for name in RUNNERS:
        if name in SKIP:
            continue
        found, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name}: unavailable ({err})")
            continue
        results[name] = found
    print(f"  {'operation':<20}" + "".join(f"{n:>16}" for n in results) + "   (seconds; xR = peer / vesk_graph)")
    for op in OPS:
        row = f"  {op:<20}"
        for name, r in results.items():
            t = r.get(op)
            if t is None:
                row += f"{'-':>16}"
            elif name == "vesk_graph" and f"{op} (second call)" in r:
                cell = f"{t:.3f} [{r[f'{op} (second call)']:.3f}]"
                row += f"{cell:>16}"
            elif name == "vesk_graph" or "vesk_graph" not in results:
                row += f"{t:>16.3f}"
            else:
                row += f"{t:>9.3f} x{t / results['vesk_graph'][op]:<5.1f}"
        print(row)
