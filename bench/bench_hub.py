"""Changes at a hub against the same number of changes spread over random
nodes, and against networkx doing the same: building a star of N leaves
with add_edge on a default graph (no parallel edges, so every addition
checks the pair), removing every hub edge (parallel edges allowed), and
removing every leaf of an undirected star. A change at a hub should cost
about what it costs anywhere else.

    python bench/bench_hub.py            (BENCH_LEAVES=1000000 by default)
"""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_LEAVES", 1_000_000))


def leaves():
    return [f"leaf{i}" for i in range(N)]


def spread_pairs():
    """N distinct (a, b) pairs of random nodes among N + 1."""
    rng = random.Random(7)
    ids = ["hub"] + leaves()
    seen, pairs = set(), []
    while len(pairs) < N:
        a, b = rng.randrange(N + 1), rng.randrange(N + 1)
        if a != b and (a, b) not in seen and (b, a) not in seen:
            seen.add((a, b))
            pairs.append((ids[a], ids[b]))
    return ids, pairs


def vesk(directed=True, multi=False):
    from vesk_graph._rust.graph import PyGraph

    return PyGraph(directed=directed, multi=multi)


def with_nodes(g, ids, add):
    for i in ids:
        add(i)
    return g


# ---- setups: (graph, the arguments of the timed operations) ----

def star_nodes(make):
    def setup():
        ls = leaves()
        g = make()
        with_nodes(g, ["hub"] + ls, g.add_node)
        return g, [("hub", leaf) for leaf in ls]
    return setup


def spread_nodes(make):
    def setup():
        ids, pairs = spread_pairs()
        g = make()
        with_nodes(g, ids, g.add_node)
        return g, pairs
    return setup


def with_edges(setup_nodes):
    """The node setup, then every pair added as an edge (not timed)."""
    def setup():
        g, pairs = setup_nodes()
        add = g.add_edge
        for a, b in pairs:
            add(a, b)
        return g, pairs
    return setup


# ---- timed operations ----

def add_edges(state):
    g, pairs = state
    add = g.add_edge
    for a, b in pairs:
        add(a, b)


def remove_edges(state):
    g, pairs = state
    remove = g.remove_edge
    for a, b in pairs:
        remove(a, b)


def remove_leaves(state):
    g, pairs = state
    remove = g.remove_node
    for _, leaf in pairs:
        remove(leaf)


def remove_second_ends(state):
    """Removes the second node of every pair that is still there: N
    removals spread over random nodes, each taking its edges along."""
    g, pairs = state
    remove, has = g.remove_node, g.has_node
    for _, b in pairs:
        if has(b):
            remove(b)


def nx_graph(cls):
    def make():
        import networkx as nx

        return getattr(nx, cls)()
    return make


CASES = {
    "add_edge/vesk hub": (star_nodes(vesk), add_edges),
    "add_edge/vesk spread": (spread_nodes(vesk), add_edges),
    "add_edge/networkx hub": (star_nodes(nx_graph("DiGraph")), add_edges),
    "remove_edge/vesk hub": (with_edges(star_nodes(lambda: vesk(multi=True))), remove_edges),
    "remove_edge/vesk spread": (with_edges(spread_nodes(lambda: vesk(multi=True))), remove_edges),
    "remove_edge/networkx hub": (with_edges(star_nodes(nx_graph("MultiDiGraph"))), remove_edges),
    "remove_node/vesk hub": (with_edges(star_nodes(lambda: vesk(directed=False))), remove_leaves),
    "remove_node/vesk spread": (with_edges(spread_nodes(lambda: vesk(directed=False))), remove_second_ends),
    "remove_node/networkx hub": (with_edges(star_nodes(nx_graph("Graph"))), remove_leaves),
}


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--child":
        _harness.child_main(CASES)
    else:
        res = _harness.report(f"changes at a hub of {N:,} leaves (time of the changes alone)", __file__, list(CASES))
        for op in ("add_edge", "remove_edge", "remove_node"):
            hub, spread, nx = (res.get(f"{op}/{k}", {}) for k in ("vesk hub", "vesk spread", "networkx hub"))
            if "seconds" in hub and "seconds" in spread:
                line = f"  {op:<12} hub / spread x{hub['seconds'] / spread['seconds']:.2f}"
                if "seconds" in nx:
                    line += f", networkx / vesk_graph (hub) x{nx['seconds'] / hub['seconds']:.1f}"
                print(line)
