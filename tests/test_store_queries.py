import pytest

from vesk_graph._rust.graph import PyGraph


def test_node_slots_are_reused_most_recent_first():
    g = PyGraph()
    for n in "ABC":
        g.add_node(n)
    g.remove_node("B")
    g.remove_node("A")
    for n in "DEF":
        g.add_node(n)
    assert g.node_ids() == ["D", "E", "C", "F"]


def test_edge_slots_of_a_removed_node_are_reused_in_removal_order(make):
    g = make(nodes="nabc")
    g.add_edge("n", "a", {"e": 1})  # e1, older outgoing
    g.add_edge("n", "b", {"e": 2})  # e2, newer outgoing
    g.add_edge("c", "n", {"e": 3})  # e3, incoming
    g.add_edge("a", "b", {"e": 0})  # an unrelated edge in slot 3
    g.remove_node("n")
    # Removal order e2, e1, e3 pushes e3 last: reused first, then e1, then e2.
    g.add_edge("a", "c", {"new": "x"})
    g.add_edge("b", "c", {"new": "y"})
    g.add_edge("c", "a", {"new": "z"})
    assert g.edges() == [
        ("b", "c", {"new": "y"}),  # slot 0 (was e1)
        ("c", "a", {"new": "z"}),  # slot 1 (was e2)
        ("a", "c", {"new": "x"}),  # slot 2 (was e3)
        ("a", "b", {"e": 0}),
    ]


def test_adjacency_runs_newest_first(make):
    g = make([("a", "b"), ("a", "c")])
    assert g.successors("a") == ["c", "b"]
    u = make([("c", "a"), ("a", "b")], directed=False)
    # Edges stored with a as source come first, whatever their age.
    assert u.neighbors("a") == u.successors("a") == u.predecessors("a") == ["b", "c"]
    u2 = make([("a", "b"), ("c", "a")], directed=False)
    assert u2.neighbors("a") == ["b", "c"]


def test_directed_neighbour_lists_with_parallel_edges_and_loops(make):
    g = make([("a", "b"), ("a", "b")], multi=True)
    assert g.successors("a") == ["b", "b"]
    assert g.neighbors("a") == ["b", "b"]
    assert g.predecessors("b") == ["a", "a"]
    assert g.neighbors("b") == ["a"]
    h = make([("a", "b"), ("b", "a"), ("a", "a")])
    assert h.neighbors("a") == ["a", "b"]
    assert h.successors("a") == ["a", "b"]


def test_degree_and_self_loops(make):
    d = make([("a", "a")])
    u = make([("a", "a")], directed=False)
    assert d.degree("a") == 2 and u.degree("a") == 1
    assert u.neighbors("a") == ["a"]
    with pytest.raises(KeyError) as ei:
        d.degree("zz")
    assert ei.value.args == ("Node 'zz' not found",)
    assert d.node("zz") is None


def test_has_edge_direction(make):
    d = make([("a", "b")])
    u = make([("a", "b")], directed=False)
    assert d.has_edge("a", "b") and not d.has_edge("b", "a")
    assert u.has_edge("b", "a")
    assert not d.has_edge("a", "missing")
    assert u.edges() == [("a", "b", {})]


def test_add_edge_refusals(make):
    d = make(nodes="ab")
    with pytest.raises(ValueError, match=r"^Source node 'x' not found$"):
        d.add_edge("x", "y")
    with pytest.raises(ValueError, match=r"^Target node 'y' not found$"):
        d.add_edge("a", "y")
    d.add_edge("a", "b")
    with pytest.raises(ValueError, match=r"^Edge 'a' -> 'b' already exists$"):
        d.add_edge("a", "b")
    d.add_edge("b", "a")
    u = make(nodes="ab", directed=False)
    u.add_edge("a", "b")
    with pytest.raises(ValueError, match=r"^Edge 'b' -> 'a' already exists$"):
        u.add_edge("b", "a")
    m = make(nodes="ab", directed=False, multi=True)
    m.add_edge("a", "b")
    m.add_edge("b", "a")
    assert m.n_edges == 2


def test_structure_tests(make):
    empty_d, empty_u = PyGraph(), PyGraph(directed=False)
    assert (empty_d.is_dag(), empty_d.is_tree(), empty_d.is_connected()) == (True, True, True)
    assert (empty_u.is_dag(), empty_u.is_tree(), empty_u.is_connected()) == (False, True, True)
    assert make(nodes="a").is_tree()
    loop = make([("a", "a")])
    assert not loop.is_tree() and not loop.is_dag()
    assert make([("a", "b"), ("b", "c")]).is_tree()
    assert make([("a", "b"), ("a", "c")]).is_tree()
    inward = make([("a", "b"), ("c", "b")])
    assert inward.is_connected() and inward.is_dag() and not inward.is_tree()
    assert not make([("a", "b"), ("b", "a")]).is_dag()
    assert not make([("a", "a"), ("b", "b")]).is_connected()
    assert make([("a", "b"), ("c", "b")], directed=False).is_tree()
    assert not make([("a", "b"), ("a", "b")], multi=True).is_tree()


def test_returned_dicts_are_copies(make):
    g = make([("a", "b", {"w": 1})])
    g.node("a")["x"] = 1
    g.edges()[0][2]["w"] = 5
    assert g.node("a") == {} and g.edges() == [("a", "b", {"w": 1})]


@pytest.mark.parametrize(
    "method, args, message, note",
    [
        ("node", (5,), "'int' object is not an instance of 'str'", "while processing 'id'"),
        ("has_edge", ("a", None), "'None' is not an instance of 'str'", "while processing 'target'"),
        ("node", (), "PyGraph.node() missing 1 required positional argument: 'id'", None),
        ("has_edge", (), "PyGraph.has_edge() missing 2 required positional arguments: 'source' and 'target'", None),
        ("set_node_property", (), "PyGraph.set_node_property() missing 3 required positional arguments: "
         "'id', 'key', and 'value'", None),
        ("degree", ("a", "b"), "PyGraph.degree() takes 1 positional arguments but 2 were given", None),
        ("add_node", ("a", None, 1), "PyGraph.add_node() takes from 1 to 2 positional arguments but 3 were given", None),
        ("add_edge", ("a", "b", [1]), "'list' object is not an instance of 'dict'", "while processing 'properties'"),
    ],
)
def test_argument_errors(method, args, message, note):
    g = PyGraph()
    with pytest.raises(TypeError) as ei:
        getattr(g, method)(*args)
    assert str(ei.value) == message
    assert getattr(ei.value, "__notes__", []) == ([note] if note else [])


def test_keywords_and_no_argument_methods():
    g = PyGraph()
    g.add_node(id="a", properties={"k": 1})
    g.add_node(properties=None, id="b")
    with pytest.raises(TypeError, match="got an unexpected keyword argument 'ID'"):
        g.add_node(ID="c")
    with pytest.raises(TypeError, match="got multiple values for argument 'id'"):
        g.add_node("c", id="c")
    with pytest.raises(TypeError):
        g.node_ids(1)
    assert g.node_ids() == ["a", "b"]
