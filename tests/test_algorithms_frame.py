"""The calling frame shared by every algorithm function."""

import numpy as np
import pytest

import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph

REGISTRATION_ORDER = [
    "bfs", "dfs", "dfs_events", "bfs_with_depth", "bfs_at_depth", "shortest_paths",
    "shortest_path_length", "has_path", "astar_path", "bellman_ford_paths", "all_simple_paths",
    "find_cycles", "find_cycle_paths", "strongly_connected_components", "num_connected_components",
    "weakly_connected_components", "connected_components_from_edges", "is_strongly_connected",
    "is_weakly_connected", "topological_sort", "ancestors", "descendants", "longest_path", "pagerank",
    "degree_centrality", "in_degree_centrality", "out_degree_centrality", "betweenness_centrality",
    "closeness_centrality", "eigenvector_centrality", "louvain_communities", "label_propagation",
    "bridges", "greedy_matching", "maximum_matching", "maximal_cliques", "density", "is_bipartite",
    "transitive_closure", "condensation", "articulation_points", "k_clique_communities",
]


def registered():
    return list(A.__all__)


def test_registered_functions_keep_the_fixed_order():
    names = registered()
    assert names == [n for n in REGISTRATION_ORDER if n in names]
    for n in names:
        fn = getattr(A, n)
        assert fn.__module__ == "algorithms"
        assert fn.__doc__ is not None and fn.__text_signature__.startswith("(")


def signature_params(fn):
    return [p.split("=")[0].strip() for p in fn.__text_signature__.strip("()").split(",")]


def test_every_parameter_can_be_given_by_keyword(make):
    g = make([("a", "b", {"w": 2})])
    values = {"graph": g, "source": "a", "target": "b", "id": "a", "depth": 1, "weight_key": "w"}
    for name in registered():
        fn = getattr(A, name)
        params = signature_params(fn)
        if any(p not in values for p in params):
            continue
        kwargs = {p: values[p] for p in params}
        assert comparable(fn(**kwargs)) == comparable(fn(*[values[p] for p in params])), name


def comparable(result):
    """Graph results compare by content; new graphs are new objects."""
    if isinstance(result, PyGraph):
        return result.node_ids(), result.edges()
    return result


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda g: A.bfs(g), "bfs() missing 1 required positional argument: 'source'"),
        (lambda g: A.has_path(g), "has_path() missing 2 required positional arguments: 'source' and 'target'"),
        (lambda g: A.has_path(), "has_path() missing 3 required positional arguments: 'graph', 'source', and 'target'"),
        (lambda g: A.bfs(g, "a", "b"), "bfs() takes 2 positional arguments but 3 were given"),
        (lambda g: A.shortest_paths(g, "a", None, None, 1),
         "shortest_paths() takes from 2 to 4 positional arguments but 5 were given"),
        (lambda g: A.bfs(g, "a", source="a"), "bfs() got multiple values for argument 'source'"),
        (lambda g: A.bfs(g, start="a"), "bfs() got unexpected keyword argument 'start'"),
    ],
)
def test_matching_errors_have_no_note(make, call, message):
    g = make(nodes="a")
    with pytest.raises(TypeError) as ei:
        call(g)
    expected = message.replace("got unexpected", "got an unexpected")
    assert str(ei.value) == expected
    assert not hasattr(ei.value, "__notes__")


def test_too_many_positional_is_checked_before_keywords(make):
    with pytest.raises(TypeError, match="takes 2 positional arguments but 3 were given"):
        A.bfs(make(nodes="a"), "a", "a", bogus=1)


@pytest.mark.parametrize(
    "call, exc, message, note",
    [
        (lambda g: A.bfs(None, "a"), TypeError, "'None' is not an instance of 'PyGraph'", "graph"),
        (lambda g: A.bfs([], "a"), TypeError, "'list' object is not an instance of 'PyGraph'", "graph"),
        (lambda g: A.bfs(g, 5), TypeError, "'int' object is not an instance of 'str'", "source"),
        (lambda g: A.bfs_at_depth(g, "a", -1), OverflowError, None, "depth"),
        (lambda g: A.bfs_at_depth(g, "a", 1.0), TypeError, None, "depth"),
        (lambda g: A.bfs_at_depth(g, "a", 2**64), OverflowError, None, "depth"),
        (lambda g: A.bfs_at_depth(g, "a", None), TypeError, None, "depth"),
        (lambda g: A.shortest_path_length(g, "a", None), TypeError, "'None' is not an instance of 'str'", "target"),
        (lambda g: A.shortest_paths(g, "a", weight_key=3), TypeError, "'int' object is not an instance of 'str'",
         "weight_key"),
    ],
)
def test_conversion_errors_carry_the_parameter_note(make, call, exc, message, note):
    g = make(nodes="a")
    with pytest.raises(exc) as ei:
        call(g)
    if message is not None:
        assert str(ei.value) == message
    assert ei.value.__notes__ == [f"while processing '{note}'"]


def test_lookup_errors_are_key_errors_without_notes(make):
    g = make(nodes="a")
    with pytest.raises(KeyError) as ei:
        A.bfs(g, "zz")
    assert ei.value.args == ("Node 'zz' not found",) and not hasattr(ei.value, "__notes__")
    # All conversions come before the first lookup...
    with pytest.raises(TypeError):
        A.has_path(g, "zz", 5)
    # ...and the first absent id is the one named.
    with pytest.raises(KeyError, match="'x'"):
        A.has_path(g, "x", "y")


def test_counts_accept_bools_and_the_top_value(make):
    g = make([("a", "b"), ("b", "c")])
    assert A.bfs_at_depth(g, "a", True) == ["b"]
    assert A.bfs_at_depth(g, "a", np.uint8(2)) == ["c"]
    assert A.bfs_at_depth(g, "a", 2**64 - 1) == []


def test_none_for_optional_text_means_absent(make):
    g = make([("a", "b", {"w": 3})])
    assert A.shortest_paths(g, "a", None, None) == A.shortest_paths(g, "a") == {"a": 0.0, "b": 1.0}


def test_borrow_is_released_after_failures(make):
    g = make(nodes="a")
    for call in (lambda: A.bfs(g, "zz"), lambda: A.bfs(g, 1), lambda: A.bfs_at_depth(g, "a", -1)):
        with pytest.raises(Exception):
            call()
    g.add_node("b")


def test_a_graph_borrowed_by_a_writer_is_refused_with_a_note(make):
    g = make(nodes="a")

    class Hook:
        def __str__(self):
            with pytest.raises(RuntimeError) as ei:
                A.bfs(g, "a")
            assert str(ei.value) == "Already mutably borrowed"
            assert ei.value.__notes__ == ["while processing 'graph'"]
            return "done"

    g.set_node_property("a", "k", Hook())
    assert g.node("a") == {"k": "done"}
