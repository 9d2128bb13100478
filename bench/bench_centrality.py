"""Centrality scores and community detection beside networkx, rustworkx,
igraph and networkit (when installed), each library in its own process and
single-threaded where it has a switch. Graph building is not timed.

Three random graphs (directed unless noted), at full size (BENCH_SCALE=1:
well over half an hour, networkx's Louvain alone runs past 20 minutes; the
default 0.25 takes a few):
  - 1,000,000 nodes / 5,000,000 edges: PageRank (vesk_graph runs its fixed
    100 iterations, the peers their own default stopping rule), degree
    centrality;
  - 20,000 nodes / 100,000 edges: betweenness, closeness;
  - 100,000 nodes / 500,000 edges, undirected: Louvain, label propagation,
    eigenvector centrality.

vesk_graph's times include building its answer: the (id, score) list sorted
by score, or the communities as sorted lists of ids. Each operation's first
call pays for the graph's adjacency snapshot (ratios are against it); its
second call on the unchanged graph is shown in brackets. The large graph also
shows the floor of a ranked list (node_ids() plus one (id, float) tuple per
node) and degree centrality's time as a multiple of it. A peer's time is its
own call plus turning its answer into that same shape (its call alone is
shown in brackets). networkx's betweenness and closeness are timed on a
sample of sources and scaled to all of them (marked ~).

    python bench/bench_centrality.py            (BENCH_SCALE=1 for the full sizes,
                                                 BENCH_ONLY=paths,... for some graphs,
                                                 BENCH_SKIP=networkx,... to leave peers out)
"""

import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

SCALE = float(os.environ.get("BENCH_SCALE", 0.25))
SKIP = set(filter(None, os.environ.get("BENCH_SKIP", "").split(",")))
GROUPS = {
    "large": (int(1_000_000 * SCALE), int(5_000_000 * SCALE), True, ["pagerank", "degree"]),
    "paths": (int(20_000 * SCALE), int(100_000 * SCALE), True, ["betweenness", "closeness"]),
    "communities": (int(100_000 * SCALE), int(500_000 * SCALE), False, ["louvain", "label_propagation",
                                                                        "eigenvector"]),
}
NX_SAMPLE = 100  # sources networkx's betweenness and closeness are timed on


def edges_of(group):
    n, m, _, _ = GROUPS[group]
    rng = random.Random(23)
    return n, [(rng.randrange(n), rng.randrange(n)) for _ in range(m)]


def timed(fn, shape=None):
    """(seconds for fn and shape together, seconds for fn alone)."""
    t0 = time.perf_counter()
    out = fn()
    t1 = time.perf_counter()
    if shape is not None:
        shape(out)
    return time.perf_counter() - t0, t1 - t0


def scored(pairs):
    """The (id, score) list sorted by score descending."""
    return sorted(pairs, key=lambda p: -p[1])


def grouped(communities, names=None):
    out = [sorted(names[i] for i in c) if names else sorted(c) for c in communities]
    return sorted(out)


def run_vesk(group, n, edges, ops):
    import vesk_graph._rust.algorithms as A

    g = _harness.vesk_graph_from_pairs(n, edges, directed=GROUPS[group][2], multi=True)
    calls = {
        "pagerank": lambda: A.pagerank(g),
        "degree": lambda: A.degree_centrality(g),
        "betweenness": lambda: A.betweenness_centrality(g),
        "closeness": lambda: A.closeness_centrality(g),
        "louvain": lambda: A.louvain_communities(g),
        "label_propagation": lambda: A.label_propagation(g),
        "eigenvector": lambda: A.eigenvector_centrality(g),
    }
    out = {}
    for op in ops:
        # A change drops the cached snapshot, so each first call builds it.
        g.add_node("drop-cache")
        g.remove_node("drop-cache")
        out[op] = (timed(calls[op])[0], timed(calls[op])[0])
    if "degree" in ops:
        # The floor of a ranked list: node_ids() plus one (id, float) tuple
        # per node, the floats made from a C array.
        from array import array

        # The collector is paused: the library keeps its new tuples out of
        # it, and a floor counts making the objects only.
        import gc

        scores = array("d", (i / max(1, n - 1) for i in range(n)))
        gc.disable()
        out["floor"] = timed(lambda: list(zip(g.node_ids(), scores.tolist())))
        gc.enable()
    return out


def run_networkx(group, n, edges, ops):
    import networkx as nx

    g = nx.DiGraph() if GROUPS[group][2] else nx.Graph()
    names = [str(i) for i in range(n)]
    g.add_nodes_from(names)
    g.add_edges_from((names[a], names[b]) for a, b in edges)
    sample = random.Random(5).sample(names, min(NX_SAMPLE, n))

    def closeness_of(s):
        # What nx.closeness_centrality does for each node (on the graph it
        # reverses once for all nodes).
        d = nx.single_source_shortest_path_length(g, s)
        total = sum(d.values())
        return (len(d) - 1) / total if total > 0 else 0.0

    def sampled(per_source):
        seconds, _ = timed(per_source)
        return seconds * n / len(sample), seconds * n / len(sample)

    calls = {
        "pagerank": lambda: timed(lambda: nx.pagerank(g), lambda r: scored(r.items())),
        "degree": lambda: timed(lambda: nx.degree_centrality(g), lambda r: scored(r.items())),
        "betweenness": lambda: sampled(lambda: nx.betweenness_centrality(g, k=len(sample), seed=5)),
        "closeness": lambda: sampled(lambda: [closeness_of(s) for s in sample]),
        "louvain": lambda: timed(lambda: nx.community.louvain_communities(g, seed=5), grouped),
        "label_propagation": lambda: timed(lambda: list(nx.community.label_propagation_communities(g)), grouped),
        # Its eigenvector functions refuse or fail to converge on a graph
        # that is not connected.
    }
    return {op: calls[op]() for op in ops if op in calls}


def run_rustworkx(group, n, edges, ops):
    import rustworkx as rx

    g = rx.PyDiGraph() if GROUPS[group][2] else rx.PyGraph()
    g.add_nodes_from([str(i) for i in range(n)])
    g.add_edges_from_no_data(edges)
    big = 1 << 62  # parallel_threshold: stay on one thread

    def with_ids(r):
        return scored((g[i], s) for i, s in r.items())

    calls = {
        "pagerank": lambda: timed(lambda: rx.pagerank(g), with_ids),
        "degree": lambda: timed(lambda: rx.degree_centrality(g), with_ids),
        "betweenness": lambda: timed(lambda: rx.betweenness_centrality(g, parallel_threshold=big), with_ids),
        "closeness": lambda: timed(lambda: rx.closeness_centrality(g, wf_improved=False, parallel_threshold=big),
                                   with_ids),
        "eigenvector": lambda: timed(lambda: rx.eigenvector_centrality(g, max_iter=100), with_ids),
    }
    return {op: calls[op]() for op in ops if op in calls}


def run_igraph(group, n, edges, ops):
    import igraph as ig

    directed = GROUPS[group][2]
    g = ig.Graph(n=n, edges=edges, directed=directed)
    names = [str(i) for i in range(n)]
    g.vs["name"] = names

    def with_ids(r):
        return scored(zip(names, r))

    calls = {
        "pagerank": lambda: timed(lambda: g.pagerank(directed=directed), with_ids),
        "degree": lambda: timed(lambda: [d / (n - 1) for d in g.degree()], with_ids),
        "betweenness": lambda: timed(lambda: g.betweenness(directed=directed), with_ids),
        "closeness": lambda: timed(lambda: g.closeness(mode="out"), with_ids),
        "louvain": lambda: timed(lambda: g.community_multilevel(), lambda c: grouped(c, names)),
        "label_propagation": lambda: timed(lambda: g.community_label_propagation(), lambda c: grouped(c, names)),
        "eigenvector": lambda: timed(lambda: g.eigenvector_centrality(), with_ids),
    }
    return {op: calls[op]() for op in ops}


def run_networkit(group, n, edges, ops):
    import networkit as nk

    nk.setNumberOfThreads(1)
    g = nk.Graph(n, directed=GROUPS[group][2])
    for a, b in edges:
        g.addEdge(a, b)
    names = [str(i) for i in range(n)]

    def run(algo):
        algo.run()
        return algo

    def with_ids(algo):
        return scored(zip(names, algo.scores()))

    def pagerank():
        return run(nk.centrality.PageRank(g, 0.85))

    def communities(partition):
        groups = {}
        for v, c in enumerate(partition.getVector()):
            groups.setdefault(c, []).append(v)
        return grouped(groups.values(), names)

    calls = {
        "pagerank": lambda: timed(pagerank, with_ids),
        "degree": lambda: timed(lambda: run(nk.centrality.DegreeCentrality(g, normalized=True)), with_ids),
        "betweenness": lambda: timed(lambda: run(nk.centrality.Betweenness(g, normalized=True)), with_ids),
        "closeness": lambda: timed(
            lambda: run(nk.centrality.Closeness(g, False, nk.centrality.ClosenessVariant.GENERALIZED)), with_ids),
        "louvain": lambda: timed(lambda: nk.community.detectCommunities(
            g, algo=nk.community.PLM(g, refine=False), inspect=False), communities),
        "label_propagation": lambda: timed(lambda: run(nk.community.PLP(g)).getPartition(), communities),
        "eigenvector": lambda: timed(lambda: run(nk.centrality.EigenvectorCentrality(g)), with_ids),
    }
    return {op: calls[op]() for op in ops}


RUNNERS = {
    "vesk_graph": run_vesk, "networkx": run_networkx, "rustworkx": run_rustworkx, "igraph": run_igraph,
    "networkit": run_networkit,
}

if __name__ == "__main__":
    if len(sys.argv) > 3 and sys.argv[1] == "--child":
        group, library = sys.argv[2], sys.argv[3]
        n, edges = edges_of(group)
        print(json.dumps(RUNNERS[library](group, n, edges, GROUPS[group][3])))
        sys.exit(0)
    env = dict(os.environ, RAYON_NUM_THREADS="1", OMP_NUM_THREADS="1", OPENBLAS_NUM_THREADS="1")
    print("seconds; x = peer time / vesk_graph's first call; [vesk_graph's second call; peer's own call]; "
          "~ = scaled from a sample")
    only = os.environ.get("BENCH_ONLY", "").split(",")
    for group, (n, m, directed, ops) in GROUPS.items():
        if only != [""] and group not in only:
            continue
        print(f"\n{group}: {n:,} nodes, {m:,} edges, {'directed' if directed else 'undirected'}")
        results = {}
        for library in RUNNERS:
            if library in SKIP:
                continue
            found, err = _harness.run_child(__file__, group, library, env=env)
            if err is not None:
                print(f"  {library}: unavailable ({err})")
                continue
            results[library] = found
        print(f"  {'operation':<18}" + "".join(f"{name:>24}" for name in results))
        for op in ops:
            row = f"  {op:<18}"
            base = results.get("vesk_graph", {}).get(op)
            for name, r in results.items():
                if op not in r:
                    row += f"{'-':>24}"
                    continue
                total, own = r[op]
                mark = "~" if name == "networkx" and op in ("betweenness", "closeness") else ""
                cell = f"{mark}{total:.3f}"
                if name == "vesk_graph":
                    cell += f" [{own:.3f}]"
                else:
                    cell += f" [{own:.3f}]"
                    if base:
                        cell += f" x{total / base[0]:.1f}"
                row += f"{cell:>24}"
            print(row)
        floor = results.get("vesk_graph", {}).get("floor")
        if floor:
            ranked = ", ".join(f"{op} x{results['vesk_graph'][op][0] / floor[0]:.2f}" for op in ops if op == "degree")
            print(f"  ranked-list floor (node_ids() + one (id, float) tuple per node): {floor[0]:.3f} s; "
                  f"vesk_graph / floor: {ranked}")
