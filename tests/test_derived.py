import random

import pytest

from vesk_graph._rust import algorithms as A, knowledge as kn
from vesk_graph._rust.graph import PyGraph


def test_reverse_directed_keeps_nodes_and_parallel_edges(make):
    g = make([("a", "b", {"w": 1})], nodes="cab")
    r = g.reverse()
    assert r.node_ids() == ["c", "a", "b"] and r.edges() == [("b", "a", {"w": 1})]
    m = make([("a", "b", {"i": 1}), ("a", "b", {"i": 2})], multi=True)
    assert m.reverse().edges() == [("b", "a", {"i": 1}), ("b", "a", {"i": 2})]
    u = m.to_undirected()
    assert u.edges() == [("a", "b", {"i": 1})]
    assert u.is_multi and not u.is_directed


def test_one_edge_per_pair_in_stored_orientation(make):
    g = make([("a", "b", {"k": 1}), ("b", "a", {"k": 2}), ("a", "a"), ("a", "a")], multi=True)
    assert g.to_undirected().edges() == [("a", "b", {"k": 1}), ("a", "a", {})]
    um = make([("b", "a", {"k": "first"}), ("a", "b", {"k": "second"})], directed=False, multi=True)
    assert um.reverse().edges() == [("b", "a", {"k": "first"})]
    assert not um.reverse().is_directed


def test_derived_graphs_share_nothing(make):
    g = make([("a", "b", {"w": 1})])
    r = g.reverse()
    r.update_node("a", {"changed": True})
    r.remove_edge("b", "a")
    assert g.node("a") == {} and g.n_edges == 1


def test_subgraph_order_and_errors(make):
    g = PyGraph(name="src", directed=False, multi=True)
    for n in "abc":
        g.add_node(n)
    g.add_edge("b", "a", {"i": 1})
    g.add_edge("a", "b", {"i": 2})
    g.add_edge("b", "c")
    s = g.subgraph(("b", "a"))
    assert s.node_ids() == ["b", "a"] and s.edges() == [("b", "a", {"i": 1})]
    assert (s.name, s.is_directed, s.is_multi) == ("src", False, True)
    empty = g.subgraph([])
    assert (empty.n_nodes, empty.name) == (0, "src")
    with pytest.raises(ValueError, match=r"^Node 'a' already exists$"):
        g.subgraph(["a", "a"])
    with pytest.raises(ValueError, match=r"^Node 'zz' not found$"):
        g.subgraph(["a", "zz", "zz"])


@pytest.mark.parametrize("directed", [True, False])
@pytest.mark.parametrize("multi", [True, False])
def test_copies_match_a_model_of_the_rules(directed, multi):
    # Random graphs whose removals leave vacant slots, later reused, so that
    # slot order is neither id order nor insertion order; the model reads
    # only node_ids() and edges() (slot order). Some ids are long.
    rng = random.Random(5 + 2 * directed + multi)
    for _ in range(20):
        g = PyGraph(directed=directed, multi=multi)
        ids = [f"n{i}" + ("x" * 200 if i % 3 == 0 else "") for i in range(12)]
        for n in ids:
            g.add_node(n, {"n": n[:4]})
        for k in range(40):
            s, t = rng.choice(ids), rng.choice(ids)
            if s in g and t in g and (multi or not g.has_edge(s, t)):
                g.add_edge(s, t, {"k": k})
            if rng.random() < 0.1:
                gone = rng.choice(ids)
                if gone in g:
                    g.remove_node(gone)
                    g.add_node(gone, {"back": k})
        nodes, edges = g.node_ids(), g.edges()

        def model(chosen, pairs, ordered=directed):
            # Edges in slot order between chosen nodes; unordered, only
            # the first per pair.
            kept, seen = [], set()
            for s, t, p in pairs:
                if s in chosen and t in chosen and (ordered or frozenset((s, t)) not in seen):
                    seen.add(frozenset((s, t)))
                    kept.append((s, t, p))
            return kept

        everything = set(nodes)
        r = g.reverse()
        assert r.node_ids() == nodes
        assert r.edges() == model(everything, [(t, s, p) for s, t, p in edges] if directed else edges)
        u = g.to_undirected()
        assert u.node_ids() == nodes and (u.is_directed, u.is_multi) == (False, multi)
        assert u.edges() == model(everything, edges, ordered=False)
        chosen = rng.sample(nodes, len(nodes) // 2)
        sub = g.subgraph(chosen)
        assert sub.node_ids() == chosen and sub.edges() == model(set(chosen), edges)
        center = rng.choice(nodes)
        ego = g.ego_graph(center, 1)
        near = {center} | {x for s, t, _ in edges for x in (s, t) if center in (s, t)}
        assert set(ego.node_ids()) == near and ego.edges() == model(near, edges)


@pytest.mark.parametrize(
    "arg, message",
    [
        ("ab", "Can't extract `str` to `Vec`"),
        (5, "'int' object is not an instance of 'Sequence'"),
        (["a", 1], "'int' object is not an instance of 'str'"),
    ],
)
def test_subgraph_argument_errors(make, arg, message):
    with pytest.raises(TypeError) as ei:
        make(nodes="ab").subgraph(arg)
    assert str(ei.value) == message
    assert ei.value.__notes__ == ["while processing 'node_ids'"]


def test_subgraph_accepts_registered_sequences(make):
    import collections.abc

    class Ids:
        def __init__(self, items):
            self.items = items

        def __iter__(self):
            return iter(self.items)

    collections.abc.Sequence.register(Ids)
    assert make(nodes="ab").subgraph(Ids(["b"])).node_ids() == ["b"]


def test_ego_graph_reach_ignores_direction(make):
    g = make([("a", "b"), ("b", "c")])
    assert g.ego_graph("c", 0).node_ids() == ["c"]
    assert sorted(g.ego_graph("c", 1).node_ids()) == ["b", "c"]
    e2 = g.ego_graph("c", 2)
    assert sorted(e2.node_ids()) == ["a", "b", "c"] and e2.n_edges == 2
    assert e2.is_directed
    with pytest.raises(ValueError, match=r"^Node 'zz' not found$"):
        g.ego_graph("zz", 1)
    with pytest.raises(OverflowError) as ei:
        g.ego_graph("a", -1)
    assert ei.value.__notes__ == ["while processing 'radius'"]
    with pytest.raises(TypeError):
        g.ego_graph("a", 1.0)
    assert sorted(g.ego_graph("a", 2**64 - 1).node_ids()) == ["a", "b", "c"]


def test_filters_use_strict_value_equality(make):
    g = make(nodes="abcde")
    g.update_node("a", {"age": 30.0, "flag": 1, "x": None})
    g.update_node("b", {"age": 30, "flag": True, "nested": {"k": [1, 2]}})
    g.update_node("c", {"x": float("nan")})
    assert g.nodes_filtered("age", 30) == ["b"]
    assert g.nodes_filtered("age", 30.0) == ["a"]
    assert g.nodes_filtered("flag", True) == ["b"]
    assert g.nodes_filtered("x", None) == ["a", "c"]
    assert g.nodes_filtered("nested", {"k": [1, 2]}) == ["b"]
    assert g.nodes_filtered("missing", None) == []
    assert g.edges_filtered("k", 1) == []
    g.add_edge("a", "b", {"k": 1})
    g.add_edge("b", "c", {"k": 1.0})
    assert g.edges_filtered("k", 1) == [("a", "b", {"k": 1})]


# The empty or zero value of each kind, strings as long as the ones matched
# by number (differing in their last byte or length only), and containers
# whose items differ only in kind.
LONG = "v" * 200
FILTER_VALUES = ["", "0", "False", "None", 0, 1, -1, 0.0, -0.0, 1.0, False, True, None,
                 LONG, LONG[:-1] + "w", LONG[:-1], [], [0], [False], [""], {"": 0}, {"": ""}]


def strictly_equal(a, b):
    """A property value equals a wanted one of the same kind only."""
    if type(a) is not type(b):
        return False
    if isinstance(a, list):
        return len(a) == len(b) and all(map(strictly_equal, a, b))
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(strictly_equal(a[k], b[k]) for k in a)
    return a == b


def test_filters_against_a_model_of_strict_equality(make):
    ids = [f"n{i}" for i in range(len(FILTER_VALUES))]
    g = make(nodes=ids + ["bare"])  # "bare" has no value at all
    for n, v in zip(ids, FILTER_VALUES):
        g.update_node(n, {"k": v})
        g.add_edge(n, "bare", {"k": v})
    for wanted in FILTER_VALUES + ["".join(list(LONG))]:  # the long text again at another address
        want = [n for n, v in zip(ids, FILTER_VALUES) if strictly_equal(wanted, v)]
        assert g.nodes_filtered("k", wanted) == want, repr(wanted)
        assert [s for s, _, _ in g.edges_filtered("k", wanted)] == want, repr(wanted)


def test_filter_value_hooks_may_read_the_same_graph(make):
    g = make(nodes="ab")

    class Probe:
        def __str__(self):
            return str(len(g))

    g.update_node("a", {"v": "2"})
    assert g.nodes_filtered("v", Probe()) == ["a"]


# Every operation that copies node records: the copy and the original share
# property bodies until one of them changes, and a change to either is seen
# by it alone (scanned and indexed maps alike).
COPIES = {
    "reverse": lambda g: g.reverse(),
    "to_undirected": lambda g: g.to_undirected(),
    "subgraph": lambda g: g.subgraph(["a", "b"]),
    "ego_graph": lambda g: g.ego_graph("a", 1),
    "transitive_closure": lambda g: A.transitive_closure(g),
    "merge_graphs": lambda g: kn.merge_graphs(g, PyGraph()),
    "densify": lambda g: kn.densify(g, "p"),
    "extract_subgraph_by_property": lambda g: kn.extract_subgraph_by_property(g, "kind", "x"),
}


@pytest.mark.parametrize("copy", COPIES.values(), ids=COPIES)
@pytest.mark.parametrize("size", [2, 12])
def test_copied_properties_change_apart(copy, size):
    props = {"kind": "x", **{f"k{i}": i for i in range(size - 1)}}
    g = PyGraph()
    g.add_node("a", props)
    g.add_node("b", props)
    g.add_edge("a", "b", {"p": "x"})
    d = copy(g)
    d.update_node("a", {"k0": "copy"})
    d.set_node_property("b", "new", 1)
    assert g.node("a") == props and g.node("b") == props
    g.set_node_property("a", "kind", "y")
    g.update_node("b", {"k0": "original"})
    assert d.node("a") == {**props, "k0": "copy"} and d.node("b") == {**props, "new": 1}
    assert d.edges()[0][2] == {"p": "x"} and g.edges() == [("a", "b", {"p": "x"})]
