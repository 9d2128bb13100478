import math

import pytest

from vesk_graph._rust.graph import PyGraph


def test_remove_edge_takes_the_newest_parallel_edge(make):
    g = make(nodes="ab", multi=True)
    for i in range(3):
        g.add_edge("a", "b", {"i": i})
    g.remove_edge("a", "b")
    assert g.edges() == [("a", "b", {"i": 0}), ("a", "b", {"i": 1})]
    g.remove_edge("a", "b")
    g.remove_edge("a", "b")
    with pytest.raises(KeyError) as ei:
        g.remove_edge("a", "b")
    assert ei.value.args == ("Edge 'a' -> 'b' not found",)


def test_remove_edge_direction_and_lookup_errors(make):
    u = make([("a", "b")], directed=False)
    u.remove_edge("b", "a")
    assert u.n_edges == 0
    d = make([("a", "b")])
    with pytest.raises(KeyError) as ei:
        d.remove_edge("b", "a")
    assert ei.value.args == ("Edge 'b' -> 'a' not found",)
    with pytest.raises(KeyError) as ei:
        d.remove_edge("x", "y")
    assert ei.value.args == ("Source node 'x' not found",)
    with pytest.raises(KeyError) as ei:
        d.remove_edge("a", "y")
    assert ei.value.args == ("Target node 'y' not found",)


def test_undirected_remove_prefers_the_stored_orientation(make):
    g = make(nodes="ab", directed=False, multi=True)
    g.add_edge("a", "b", {"k": "ab"})
    g.add_edge("b", "a", {"k": "ba"})  # newer, but stored the other way round
    g.remove_edge("a", "b")
    assert g.edges() == [("b", "a", {"k": "ba"})]


def test_remove_node_drops_incident_edges(make):
    g = make([("n", "n"), ("n", "x"), ("y", "n"), ("x", "y")])
    g.set_node_property("n", "p", 1)
    assert g.remove_node("n") == {"p": 1}
    assert g.n_edges == 1 and g.edges() == [("x", "y", {})]
    with pytest.raises(KeyError) as ei:
        g.remove_node("n")
    assert ei.value.args == ("Node 'n' not found",)
    g.add_node("z")
    assert g.node_ids() == ["z", "x", "y"]


def test_update_merges_and_set_stores_converted_values(make):
    g = make(nodes="a")
    g.update_node("a", {"x": 1, "y": 2})
    g.update_node("a", {"y": 3, "z": None})
    assert g.node("a") == {"x": 1, "y": 3, "z": None}
    g.update_node("a")  # no properties: nothing changes
    assert g.node("a") == {"x": 1, "y": 3, "z": None}
    g.set_node_property("a", "list", [1, 2])
    g.set_node_property("a", "nan", math.nan)
    assert g.node("a") == {"x": 1, "y": 3, "z": None, "list": [1, 2], "nan": None}
    for call in (lambda: g.update_node("m"), lambda: g.set_node_property("m", "k", 1)):
        with pytest.raises(KeyError) as ei:
            call()
        assert ei.value.args == ("Node 'm' not found",)


def test_failed_additions_change_nothing(make):
    g = make(nodes="a")
    g.update_node("a", {"keep": True})
    with pytest.raises(ValueError, match="^Node 'a' already exists$"):
        g.add_node("a", {"keep": False})
    assert g.node("a") == {"keep": True}
    # A bad properties dict is reported even when the id is taken.
    with pytest.raises(TypeError):
        g.add_node("a", {1: 2})
    # ...and before a missing endpoint.
    with pytest.raises(TypeError) as ei:
        g.add_edge("nope", "a", [("k", 1)])
    assert ei.value.__notes__ == ["while processing 'properties'"]
    assert (g.n_nodes, g.n_edges) == (1, 0)


def test_self_loops_allowed_and_names_never_change(make):
    g = PyGraph(name="kept")
    g.add_node("a")
    g.add_edge("a", "a", {"k": 1})
    assert g.edges() == [("a", "a", {"k": 1})] and g.successors("a") == g.predecessors("a") == ["a"]
    assert g.degree("a") == 2 and g.has_edge("a", "a") and not g.is_dag()
    g.remove_edge("a", "a")
    assert g.n_edges == 0 and g.successors("a") == [] and g.is_dag()
    g.remove_node("a")
    assert g.n_nodes == 0
    assert g.name == "kept" and g.is_directed and not g.is_multi


def test_large_path_has_no_recursion_trouble():
    g = PyGraph()
    n = 200_000
    ids = [str(i) for i in range(n)]
    for i in ids:
        g.add_node(i)
    for a, b in zip(ids, ids[1:]):
        g.add_edge(a, b)
    assert g.is_tree() and g.is_dag() and g.is_connected()
    assert g.n_edges == n - 1


def test_large_property_maps_keep_every_key(make):
    g = make(nodes="a")
    many = {f"k{i}": i for i in range(200)}
    g.update_node("a", many)
    g.update_node("a", {f"k{i}": -i for i in range(0, 200, 7)})
    g.set_node_property("a", "k199", "last")
    expected = {**many, **{f"k{i}": -i for i in range(0, 200, 7)}, "k199": "last"}
    assert g.node("a") == expected
    assert g.nodes_filtered("k150", 150) == ["a"] and g.nodes_filtered("k147", 147) == []
    text = g.to_json()
    assert PyGraph.from_json(text, len(text), 1, 0).node("a") == expected
