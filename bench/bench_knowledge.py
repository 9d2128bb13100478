"""Knowledge operations beside what a user would write with networkx (or
rdflib for triples): densify on a chain and on a tree, merge and diff of two
graphs, graphs from triples and triples from graphs, degree queries. Each
library runs each group in its own process; graph building is not timed.
Where the answer (or the argument) is millions of Python objects, the row
also shows the floor: the time to just make (or read) those objects from
Python, which no implementation can go below.

    python bench/bench_knowledge.py
    (BENCH_CHAIN, BENCH_TREE, BENCH_MERGE_NODES, BENCH_TRIPLES, BENCH_NODES,
     BENCH_RDFLIB_TRIPLES to resize)
"""

import gc
import json
import os
import random
import sys
import time
from collections import Counter

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

CHAIN = int(os.environ.get("BENCH_CHAIN", 2_000))
TREE = int(os.environ.get("BENCH_TREE", 100_000))
MERGE_NODES = int(os.environ.get("BENCH_MERGE_NODES", 1_000_000))
TRIPLES = int(os.environ.get("BENCH_TRIPLES", 5_000_000))
NODES = int(os.environ.get("BENCH_NODES", 1_000_000))
RDFLIB_TRIPLES = int(os.environ.get("BENCH_RDFLIB_TRIPLES", 200_000))
P = "http://example.org/subClassOf"


def timed(fn):
    """Seconds to produce the result; freeing it afterwards is not timed."""
    t = time.perf_counter()
    out = fn()
    elapsed = time.perf_counter() - t
    del out
    return elapsed


def timed_floor(fn):
    """timed() with the cyclic collector paused: a floor counts making the
    objects, not the collections that millions of new tuples set off (the
    library keeps its own new tuples out of the collector)."""
    gc.disable()
    try:
        return timed(fn)
    finally:
        gc.enable()


def chain_edges():
    return [(f"c{i}", f"c{i + 1}") for i in range(CHAIN - 1)]


def tree_edges():
    return [(f"t{(i - 1) // 2}", f"t{i}") for i in range(1, TREE)]


def merge_data():
    """Two graphs sharing half their nodes, one edge per node each."""
    rng = random.Random(5)
    half = MERGE_NODES // 2
    base = [f"n{i}" for i in range(MERGE_NODES)]
    other = [f"n{i}" for i in range(half, half + MERGE_NODES)]
    base_edges = [(rng.choice(base), rng.choice(base)) for _ in range(MERGE_NODES)]
    other_edges = [(rng.choice(other), rng.choice(other)) for _ in range(MERGE_NODES)]
    return base, other, base_edges, other_edges


def triple_data(n):
    rng = random.Random(9)
    ids = [f"http://example.org/r{i}" for i in range(max(1, n // 5))]
    preds = [f"http://example.org/p{i}" for i in range(20)]
    return [(rng.choice(ids), rng.choice(preds), rng.choice(ids)) for _ in range(n)]


def degree_edges():
    rng = random.Random(13)
    return [(f"d{rng.randrange(NODES)}", f"d{rng.randrange(NODES)}") for _ in range(2 * NODES)]


# ---- vesk_graph -------------------------------------------------------------

def vesk_graph_of(nodes, edges, props=lambda i: {}):
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph()
    for i, n in enumerate(nodes):
        g.add_node(n, props(i))
    for s, t in edges:
        if not g.has_edge(s, t):
            g.add_edge(s, t, {"predicate": P})
    return g


def vesk_densify():
    import vesk_graph._rust.knowledge as K

    chain = K.from_triples([(s, P, t) for s, t in chain_edges()])
    tree = K.from_triples([(s, P, t) for s, t in tree_edges()])
    return {"densify_chain": timed(lambda: K.densify(chain, P)), "densify_tree": timed(lambda: K.densify(tree, P))}


def vesk_merge_diff():
    import vesk_graph._rust.knowledge as K

    base, other, be, oe = merge_data()
    a = vesk_graph_of(base, be, lambda i: {"v": i % 7})
    b = vesk_graph_of(other, oe, lambda i: {"v": i % 5, "w": 1})
    out = {"merge": timed(lambda: K.merge_graphs(a, b)), "diff": timed(lambda: K.diff_graphs(a, b))}
    # The floor of a diff: the objects its answer holds, made the cheapest
    # way from Python (each node id once per graph, one tuple per edge
    # entry from ids already made, the lists copied).
    d = K.diff_graphs(a, b)
    pairs = {k: (list(x for x, _ in d[k]), list(y for _, y in d[k])) for k in ("added_edges", "removed_edges")}
    lists = [d[k] for k in ("added_nodes", "removed_nodes", "changed_node_properties")]
    out["diff_floor"] = (timed_floor(lambda: (a.node_ids(), b.node_ids()))
                         + timed_floor(lambda: [list(zip(*pairs[k])) for k in pairs])
                         + timed_floor(lambda: [list(x) for x in lists]))
    return out


def vesk_triples(n=TRIPLES):
    import vesk_graph._rust.knowledge as K

    triples = triple_data(n)
    out = {"from_triples": timed(lambda: K.from_triples(triples))}
    # The floor of reading the argument: every tuple and item visited.
    out["from_triples_floor"] = timed_floor(lambda: [None for s, p, o in triples])
    g = K.from_triples(triples)
    out["project_triples"] = timed(lambda: K.project_triples(g))
    # The floor of the answer: each node id made once, one tuple per edge
    # from str objects already made.
    found = K.project_triples(g)
    columns = [list(c) for c in zip(*found)] or [[], [], []]
    del found
    out["project_triples_floor"] = timed_floor(g.node_ids) + timed_floor(lambda: list(zip(*columns)))
    return out


def vesk_degrees():
    import vesk_graph._rust.knowledge as K

    edges = degree_edges()
    g = K.from_triples([(s, P, t) for s, t in edges])
    for i in range(0, NODES, 10):
        if f"d{i}" not in g:
            g.add_node(f"d{i}")
    return {
        "find_hub_nodes": timed(lambda: K.find_hub_nodes(g, 8)),
        "find_orphan_nodes": timed(lambda: K.find_orphan_nodes(g)),
        "degree_distribution": timed(lambda: K.degree_distribution(g)),
    }


# ---- networkx / plain Python ------------------------------------------------

def nx_densify_one(g):
    import networkx as nx

    h = g.copy()
    for a in [n for n in g if g.out_degree(n)]:
        for c in nx.descendants(g, a):
            if not h.has_edge(a, c):
                h.add_edge(a, c, predicate=P, type=P)
    return h


def nx_densify():
    import networkx as nx

    chain = nx.DiGraph((s, t, {"predicate": P}) for s, t in chain_edges())
    tree = nx.DiGraph((s, t, {"predicate": P}) for s, t in tree_edges())
    return {"densify_chain": timed(lambda: nx_densify_one(chain)), "densify_tree": timed(lambda: nx_densify_one(tree))}


def nx_diff(a, b):
    an, bn = set(a.nodes), set(b.nodes)
    ae, be = set(a.edges), set(b.edges)
    return (list(bn - an), list(an - bn), list(be - ae), list(ae - be),
            [n for n in an & bn if a.nodes[n] != b.nodes[n]])


def nx_merge_diff():
    import networkx as nx

    base, other, be, oe = merge_data()
    a, b = nx.DiGraph(), nx.DiGraph()
    a.add_nodes_from((n, {"v": i % 7}) for i, n in enumerate(base))
    b.add_nodes_from((n, {"v": i % 5, "w": 1}) for i, n in enumerate(other))
    a.add_edges_from(be, predicate=P)
    b.add_edges_from(oe, predicate=P)
    return {"merge": timed(lambda: nx.compose(a, b)), "diff": timed(lambda: nx_diff(a, b))}


def nx_from_triples(triples):
    import networkx as nx

    g = nx.DiGraph()
    for s, p, o in triples:
        if not g.has_edge(s, o):
            g.add_edge(s, o, predicate=p, type=p)
    return g


def nx_triples(n=TRIPLES):
    triples = triple_data(n)
    out = {"from_triples": timed(lambda: nx_from_triples(triples))}
    g = nx_from_triples(triples)
    out["project_triples"] = timed(lambda: [(s, d.get("predicate", "relatedTo"), t) for s, t, d in g.edges(data=True)])
    return out


def nx_degrees():
    import networkx as nx

    g = nx.MultiDiGraph(degree_edges())
    g.add_nodes_from(f"d{i}" for i in range(0, NODES, 10))
    return {
        "find_hub_nodes": timed(lambda: [n for n, d in g.degree() if d > 8]),
        "find_orphan_nodes": timed(lambda: list(nx.isolates(g))),
        "degree_distribution": timed(lambda: Counter(d for _, d in g.degree())),
    }


# ---- rdflib, on its own smaller size ----------------------------------------

def rdflib_triples():
    from rdflib import Graph, URIRef

    triples = triple_data(RDFLIB_TRIPLES)

    def build():
        g = Graph()
        for s, p, o in triples:
            g.add((URIRef(s), URIRef(p), URIRef(o)))
        return g

    out = {"from_triples_small": timed(build)}
    g = build()
    out["project_triples_small"] = timed(lambda: [(str(s), str(p), str(o)) for s, p, o in g])
    return out


def vesk_triples_small():
    out = vesk_triples(RDFLIB_TRIPLES)
    return {k.replace("_floor", "") + "_small" + ("_floor" if k.endswith("_floor") else ""): v for k, v in out.items()}


GROUPS = {
    "densify": {"vesk_graph": vesk_densify, "networkx": nx_densify},
    "merge_diff": {"vesk_graph": vesk_merge_diff, "networkx": nx_merge_diff},
    "triples": {"vesk_graph": vesk_triples, "networkx": nx_triples},
    "degrees": {"vesk_graph": vesk_degrees, "networkx": nx_degrees},
    "triples_small": {"vesk_graph": vesk_triples_small, "rdflib": rdflib_triples},
}

if __name__ == "__main__":
    if len(sys.argv) > 3 and sys.argv[1] == "--child":
        print(json.dumps(GROUPS[sys.argv[2]][sys.argv[3]]()))
        sys.exit(0)
    print(f"knowledge operations: chain {CHAIN:,}, tree {TREE:,}, merge/diff {MERGE_NODES:,} nodes, "
          f"{TRIPLES:,} triples, degree queries on {NODES:,} nodes; rdflib at {RDFLIB_TRIPLES:,} triples")
    print(f"  {'operation':<24}{'vesk_graph':>12}{'peer':>12}   ratio = peer / vesk_graph")
    for group, runners in GROUPS.items():
        results = {}
        for name in runners:
            found, err = _harness.run_child(__file__, group, name)
            if err is not None:
                print(f"  {group} / {name}: unavailable ({err})")
                continue
            results[name] = found
        if "vesk_graph" not in results:
            continue
        peers = [n for n in results if n != "vesk_graph"]
        ours = results["vesk_graph"]
        for op, t in ours.items():
            if op.endswith("_floor"):
                continue
            row = f"  {op:<24}{t:>12.3f}"
            for peer in peers:
                if op in results[peer]:
                    row += f"{results[peer][op]:>12.3f}   x{results[peer][op] / t:.1f} ({peer})"
            floor = ours.get(op + "_floor")
            if floor:
                row += f"   floor {floor:.3f} (ours / floor {t / floor:.2f}, peer / floor x{results[peers[0]][op] / floor:.1f})" if peers else ""
            print(row)
