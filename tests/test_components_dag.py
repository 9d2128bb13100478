"""Components, cycles, simple paths, DAG operations, condensation and
transitive closure.

Orders are pinned on small graphs; networkx serves as the oracle for what
its definitions share with ours (component partitions, ancestor and
descendant sets, simple path multisets, closure edge sets, acyclicity) on
random graphs with reused slots, parallel edges and self-loops. The exact
search orders on random graphs are checked against recursive references in
tests/cpp/test_components_dag.cpp.
"""

import random
from collections import Counter

import networkx as nx
import pytest

import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph

from conftest import build


def reused(directed, multi=True):
    """A graph whose first nodes went to reused slots, so slot order differs
    from insertion order: q, p, then r in a fresh slot."""
    g = PyGraph(directed=directed, multi=multi)
    for n in ("x1", "x2", "x3"):
        g.add_node(n)
    g.add_edge("x1", "x2")
    g.remove_node("x2")
    g.remove_node("x1")
    for n in ("p", "q", "r"):  # p takes x1's slot 0, q takes x2's slot 1
        g.add_node(n)
    g.remove_node("x3")
    return g


LOOPS = [("a", "b"), ("b", "a"), ("b", "b"), ("c", "c"), ("c", "d")]

# (function, graph builder, expected result)
ORDER_CASES = [
    (A.strongly_connected_components, lambda: build([("a", "b"), ("b", "c"), ("c", "a")]), [["c", "b", "a"]]),
    (A.strongly_connected_components, lambda: build([("a", "b")]), [["b"], ["a"]]),
    (A.strongly_connected_components, lambda: build([("a", "b"), ("b", "a"), ("b", "c")]), [["c"], ["b", "a"]]),
    (A.find_cycles, lambda: build([("a", "b"), ("b", "c"), ("c", "a")]), [["c", "b", "a"]]),
    (A.find_cycle_paths, lambda: build([("a", "b"), ("b", "c"), ("c", "a")]), [["c", "a", "b"]]),
    (A.find_cycles, lambda: build(LOOPS, "abcd"), [["b", "a"], ["c"]]),
    (A.find_cycle_paths, lambda: build(LOOPS, "abcd"), [["b"], ["c"]]),
    (A.find_cycles, lambda: build([("a", "b"), ("b", "c"), ("c", "a")], directed=False), []),
    (A.find_cycle_paths, lambda: build([("a", "b"), ("b", "c"), ("c", "a")], directed=False), []),
    (A.topological_sort, lambda: build(nodes="abc"), ["c", "b", "a"]),
    (A.topological_sort, lambda: build([("a", "b"), ("a", "c")]), ["a", "c", "b"]),
    (A.topological_sort, lambda: build([("a", "b"), ("c", "d")], "abcd"), ["c", "d", "a", "b"]),
    (A.topological_sort, lambda: build([("a", "b"), ("b", "c"), ("a", "b")], multi=True), ["a", "b", "c"]),
    (A.longest_path, lambda: build(nodes="abc"), {"length": 0, "path": ["c"]}),
    (A.longest_path, lambda: build([("a", "b"), ("a", "c")]), {"length": 1, "path": ["a", "c"]}),
    (A.longest_path, lambda: build([("a", "b"), ("b", "c"), ("a", "c")]), {"length": 2, "path": ["a", "b", "c"]}),
    (A.longest_path, lambda: PyGraph(), {"length": 0, "path": []}),
    # Slots reused: p and q sit before r although r's edges are older.
    (A.strongly_connected_components, lambda: _with(reused(True), [("r", "q"), ("q", "p"), ("p", "r")]),
     [["q", "r", "p"]]),
    (A.topological_sort, lambda: _with(reused(True), [("r", "p"), ("q", "r")]), ["q", "r", "p"]),
]


def _with(g, edges):
    for e in edges:
        g.add_edge(*e)
    return g


@pytest.mark.parametrize("fn,make_graph,expected", ORDER_CASES)
def test_orders(fn, make_graph, expected):
    assert fn(make_graph()) == expected


def test_simple_path_orders_and_bounds():
    g = build([("a", "b"), ("a", "c"), ("b", "d"), ("c", "d")])
    assert A.all_simple_paths(g, "a", "d") == [["a", "c", "d"], ["a", "b", "d"]]
    assert A.all_simple_paths(g, "a", "d", max_depth=2) == []
    assert A.all_simple_paths(g, "a", "d", max_paths=1) == [["a", "c", "d"]]
    assert A.all_simple_paths(g, "a", "d", max_paths=0) == []
    # Parallel direct edges repeat the path at every depth bound.
    m = build([("s", "t"), ("s", "u"), ("u", "t"), ("s", "t")], multi=True)
    for depth in (0, 1, 2):
        assert A.all_simple_paths(m, "s", "t", max_depth=depth) == [["s", "t"], ["s", "t"]]
    assert A.all_simple_paths(m, "s", "t", max_depth=3) == [["s", "t"], ["s", "u", "t"], ["s", "t"]]
    cyc = build([("a", "b"), ("b", "a")])
    assert A.all_simple_paths(cyc, "a", "a") == []
    assert A.all_simple_paths(build([("a", "b")], directed=False), "b", "a") == [["b", "a"]]


def test_dead_end_branches_are_not_enumerated():
    # A 14-clique hangs off the source (undirected: every clique node reaches
    # the target only back through the source). Enumerating its simple paths
    # would take factorial time; the answer is the single direct path.
    clique = [f"k{i}" for i in range(14)]
    edges = [(a, b) for i, a in enumerate(clique) for b in clique[i + 1 :]]
    edges += [("s", "k0"), ("s", "t")] + [("s", k) for k in clique[1:]]
    g = build(edges, directed=False)
    assert A.all_simple_paths(g, "s", "t", max_depth=20) == [["s", "t"]]
    # Directed: a clique reached from the source that cannot reach the target.
    d = build(edges + [(b, a) for a, b in edges if a != "s"])
    assert A.all_simple_paths(d, "s", "t", max_depth=20, max_paths=5) == [["s", "t"]]


@pytest.mark.parametrize(
    "g,message",
    [
        (build([("a", "b"), ("b", "a")]), "Graph has a cycle involving node 'b'"),
        (build([("a", "b"), ("b", "c"), ("c", "a")]), "Graph has a cycle involving node 'c'"),
        (build([("a", "b"), ("b", "b")]), "Graph has a cycle involving node 'b'"),
        (PyGraph(directed=False), "Topological sort is only defined for directed graphs"),
        (build([("a", "b")], directed=False), "Topological sort is only defined for directed graphs"),
    ],
)
def test_no_topological_order(g, message):
    for fn in (A.topological_sort, A.longest_path):
        with pytest.raises(ValueError, match=f"^{message}$"):
            fn(g)
    assert g.is_dag() is False


def test_component_predicates():
    cases = [  # graph, weak count, weakly connected, strongly connected
        (PyGraph(), 0, True, True),
        (build(nodes="a"), 1, True, True),
        (build([("a", "b")]), 1, True, False),
        (build([("a", "a"), ("b", "b")]), 2, False, False),
        (build([("a", "b"), ("b", "a")]), 1, True, True),
        (build([("a", "b"), ("c", "b")], directed=False), 1, True, True),
        (build([("a", "b")], nodes="c", directed=False), 2, False, False),
    ]
    for g, count, weak, strong in cases:
        assert A.num_connected_components(g) == count
        assert A.is_weakly_connected(g) is weak
        assert A.is_strongly_connected(g) is strong


def test_condensation_names_nodes_and_edges():
    g = build([("a", "b"), ("b", "c"), ("c", "a"), ("c", "d"), ("a", "d"), ("d", "d")], multi=True)
    c = A.condensation(g)
    assert (c.is_directed, c.is_multi, c.name) == (True, False, "")
    assert c.node_ids() == ["d", "a,b,c"]
    assert c.edges() == [("a,b,c", "d", {})]
    assert A.condensation(build([("b", "a"), ("a", "b"), ("ab", "a"), ("a", "ab")])).node_ids() == ["a,ab,b"]
    # Two components share the name "a,b": one node, the edge between them a self-loop.
    clash = build([("a", "b"), ("b", "a"), ("a,b", "a")])
    cc = A.condensation(clash)
    assert cc.node_ids() == ["a,b"] and cc.edges() == [("a,b", "a,b", {})]
    und = A.condensation(build([("x", "y")], nodes="z", directed=False))
    assert und.is_directed and sorted(und.node_ids()) == ["x,y", "z"] and und.edges() == []


def test_transitive_closure_copies_then_adds():
    g = build([("a", "b", {"w": 1}), ("b", "c", {"w": 2}), ("a", "b", {"w": 3})], multi=True)
    g2 = build([("a", "b"), ("b", "a")])
    t = A.transitive_closure(g)
    assert (t.is_directed, t.is_multi) == (True, False)
    assert t.edges() == [("a", "b", {"w": 1}), ("b", "c", {"w": 2}), ("a", "c", {})]
    assert A.transitive_closure(g2).edges() == g2.edges()
    u = A.transitive_closure(build([("a", "b"), ("b", "c"), ("c", "b")], directed=False, multi=True))
    assert u.edges() == [("a", "b", {}), ("b", "c", {}), ("a", "c", {})]
    t.set_node_property("a", "k", 1)
    assert g.node("a") == {}


def test_connected_components_from_edges():
    assert A.connected_components_from_edges(0, []) == []
    assert A.connected_components_from_edges(3, []) == [0, 1, 2]
    assert A.connected_components_from_edges(3, [(1, 1)]) == [0, 1, 2]
    assert A.connected_components_from_edges(5, [(3, 1), (1, 4)]) == [0, 1, 2, 1, 1]
    assert A.connected_components_from_edges(4, ((3, 2), (0, 3))) == [0, 1, 0, 0]
    refusals = [  # n_nodes, edges, exception, message, note
        (2, [(0, 2)], ValueError, "edge references node 2 but n_nodes is 2", None),
        (2, [(5, 0), (0, 7)], ValueError, "edge references node 5 but n_nodes is 2", None),
        # No memory is set aside before the endpoints are checked.
        (2**32 - 1, [(2**32 - 1, 0)], ValueError, "edge references node 4294967295 but n_nodes is 4294967295", None),
        (2**32, [], OverflowError, "out of range integral type conversion attempted", "n_nodes"),
        (2, [(0, -1)], OverflowError, "out of range integral type conversion attempted", "edges"),
        (2, [(0, 2**32)], OverflowError, "out of range integral type conversion attempted", "edges"),
        (2, [[0, 1]], TypeError, "'list' object is not an instance of 'tuple'", "edges"),
        (2, [(0, 1, 2)], ValueError, "expected tuple of length 2, but got tuple of length 3", "edges"),
        (2, "01", TypeError, "Can't extract `str` to `Vec`", "edges"),
        (2, {(0, 1)}, TypeError, "'set' object is not an instance of 'Sequence'", "edges"),
        # A conversion failure later in the list wins over a range failure earlier.
        (2, [(0, 9), (0, "x")], TypeError, None, "edges"),
    ]
    for n, edges, exc, message, note in refusals:
        with pytest.raises(exc) as info:
            A.connected_components_from_edges(n, edges)
        if message:
            assert info.value.args[0] == message
        assert getattr(info.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)


# ---- networkx as oracle on random graphs ----------------------------------


def random_graph(rng, directed):
    """Reused node and edge slots, parallel edges and self-loops."""
    g = PyGraph(directed=directed, multi=True)
    n = rng.randint(2, 12)
    for i in range(n + 3):
        g.add_node(f"n{i}")
    for i in rng.sample(range(n + 3), 3):
        g.remove_node(f"n{i}")
    for i in range(3):
        g.add_node(f"r{i}")
    ids = g.node_ids()
    for _ in range(rng.randint(0, 3 * n)):
        g.add_edge(rng.choice(ids), rng.choice(ids))
    for s, t, _ in rng.sample(g.edges(), min(2, g.n_edges)):
        g.remove_edge(s, t)
    for _ in range(2):
        g.add_edge(rng.choice(ids), rng.choice(ids))
    return g


def as_nx(g):
    h = nx.MultiDiGraph() if g.is_directed else nx.MultiGraph()
    h.add_nodes_from(g.node_ids())
    h.add_edges_from((s, t) for s, t, _ in g.edges())
    return h


def partition(groups):
    return sorted(sorted(c) for c in groups)


@pytest.mark.parametrize("seed", range(60))
def test_against_networkx(seed):
    rng = random.Random(seed)
    directed = seed % 3 != 0
    g = random_graph(rng, directed)
    h = as_nx(g)
    ids = g.node_ids()
    slot = {n: i for i, n in enumerate(ids)}

    weak = nx.weakly_connected_components(h) if directed else nx.connected_components(h)
    assert partition(A.weakly_connected_components(g)) == partition(weak)
    for comp in A.weakly_connected_components(g):
        assert comp == sorted(comp, key=slot.get)  # members in slot order
    strong = list(nx.strongly_connected_components(h) if directed else nx.connected_components(h))
    assert partition(A.strongly_connected_components(g)) == partition(strong)
    if directed:
        cyclic = [c for c in nx.strongly_connected_components(h) if len(c) > 1 or h.has_edge(*[next(iter(c))] * 2)]
        assert partition(A.find_cycles(g)) == partition(cyclic)
        for cycle in A.find_cycle_paths(g):
            assert all(h.has_edge(a, b) for a, b in zip(cycle, cycle[1:] + cycle[:1]))

    src, dst = rng.choice(ids), rng.choice(ids)
    depth = rng.randint(0, 6)
    ours = A.all_simple_paths(g, src, dst, max_depth=depth)
    theirs = [] if src == dst else nx.all_simple_paths(h, src, dst, cutoff=max(depth, 2) - 1)
    assert Counter(map(tuple, ours)) == Counter(map(tuple, theirs))

    def on_cycle(n):
        return h.has_edge(n, n) or any(n in h[m] for m in (nx.descendants(h, n) if directed else h[n]))

    for n in ids:
        back = {n} if on_cycle(n) else set()
        if directed:
            assert set(A.ancestors(g, n)) == nx.ancestors(h, n) | back
        assert set(A.descendants(g, n)) == nx.descendants(h, n) | back

    closure = A.transitive_closure(g)
    expected = nx.transitive_closure(nx.DiGraph(h) if directed else nx.Graph(h), reflexive=None)
    pairs = {(s, t) for s, t, _ in closure.edges()}
    assert len(pairs) == closure.n_edges  # no parallel edges
    if directed:
        assert pairs == set(expected.edges())
    else:
        assert {frozenset(p) for p in pairs} == {frozenset(p) for p in expected.edges()}

    cond = A.condensation(g)
    assert sorted(cond.node_ids()) == sorted(",".join(sorted(c)) for c in strong)
    if directed:  # one edge per joined pair, in order of the first input edge (slot order)
        member = {m: ",".join(sorted(c)) for c in strong for m in c}
        cross = [(member[s], member[t]) for s, t, _ in g.edges() if member[s] != member[t]]
        assert [(s, t) for s, t, _ in cond.edges()] == list(dict.fromkeys(cross))
        assert g.is_dag() is nx.is_directed_acyclic_graph(h)
        if g.is_dag():
            order = A.topological_sort(g)
            position = {n: i for i, n in enumerate(order)}
            assert sorted(order) == sorted(ids) and all(position[s] < position[t] for s, t in h.edges())
            assert A.longest_path(g)["length"] == nx.dag_longest_path_length(h)
