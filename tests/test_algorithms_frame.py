"""The calling frame shared by every algorithm function."""

import numpy as np
import pytest

import vesk_graph._rust as root
import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph

REGISTRATION_ORDER = {
    "algorithms": [
        "bfs", "dfs", "dfs_events", "bfs_with_depth", "bfs_at_depth", "shortest_paths",
        "shortest_path_length", "has_path", "astar_path", "bellman_ford_paths", "all_simple_paths",
        "find_cycles", "find_cycle_paths", "strongly_connected_components", "num_connected_components",
        "weakly_connected_components", "connected_components_from_edges", "is_strongly_connected",
        "is_weakly_connected", "topological_sort", "ancestors", "descendants", "longest_path", "pagerank",
        "degree_centrality", "in_degree_centrality", "out_degree_centrality", "betweenness_centrality",
        "closeness_centrality", "eigenvector_centrality", "louvain_communities", "label_propagation",
        "bridges", "greedy_matching", "maximum_matching", "maximal_cliques", "density", "is_bipartite",
        "transitive_closure", "condensation", "articulation_points", "k_clique_communities",
    ],
    "knowledge": [
        "merge_graphs", "diff_graphs", "extract_subgraph_by_property", "extract_subgraph_by_types",
        "project_triples", "from_triples", "infer_types", "densify", "find_orphan_nodes", "find_hub_nodes",
        "degree_distribution",
    ],
    "rdf": ["load_rdf_file", "load_rdf_string", "export_turtle", "export_ntriples", "export_jsonld"],
}
SUBMODULES = list(REGISTRATION_ORDER)
NTRIPLES = "<http://x/a> <http://x/p> <http://x/b> .\n"


def registered(sub="algorithms"):
    return list(getattr(getattr(root, sub), "__all__", []))


@pytest.mark.parametrize("sub", SUBMODULES)
def test_registered_functions_keep_the_fixed_order(sub):
    names = registered(sub)
    assert names == [n for n in REGISTRATION_ORDER[sub] if n in names]
    for n in names:
        fn = getattr(getattr(root, sub), n)
        assert fn.__module__ == sub
        assert fn.__doc__ is not None and fn.__text_signature__.startswith("(")


def signature_params(fn):
    return [p.split("=")[0].strip() for p in fn.__text_signature__.strip("()").split(",")]


@pytest.fixture
def param_values(make, tmp_path):
    """A valid value for every parameter name of the three function submodules."""
    g = make([("a", "b", {"w": 2, "predicate": "knows"})])
    g.set_node_property("a", "kind", "x")
    other = make([("b", "c")])
    path = tmp_path / "g.nt"
    path.write_text(NTRIPLES)
    return {
        "graph": g, "source": "a", "target": "b", "id": "a", "depth": 1, "weight_key": "w", "max_depth": 5,
        "max_paths": 10, "n_nodes": 2, "edges": [(0, 1)], "damping_factor": 0.85, "iterations": 10,
        "normalized": True, "tolerance": 1e-6, "max_input_nodes": 10, "max_cliques": 10, "k": 2,
        "base": g, "other": other, "conflict": "keep_latest", "old": g, "new": other, "key": "kind", "value": "x",
        "types": ["x"], "triples": [("a", "knows", "b")], "directed": True, "predicate_iri": "http://x/type",
        "predicate": "knows", "threshold": 1, "path": str(path), "max_bytes": 10**6, "triple_cap": 100,
        "data": NTRIPLES, "format": "ntriples",
    }


def canon(x):
    """Results compared up to the orders the functions leave unspecified."""
    if isinstance(x, PyGraph):
        return ("graph", x.is_directed, sorted(x.node_ids()), sorted(map(repr, ((s, t) for s, t, _ in x.edges()))))
    if isinstance(x, tuple):
        return tuple(canon(v) for v in x)
    if isinstance(x, list):
        return sorted(repr(canon(v)) for v in x)
    if isinstance(x, dict):
        return {k: canon(v) for k, v in x.items() if k != "load_time_ms"}
    return x


class Failed(tuple):
    """An outcome that is an exception: (class, message)."""


def outcome(call):
    try:
        return canon(call())
    except Exception as e:  # noqa: BLE001 - the same failure either way is what is compared
        return Failed((type(e), str(e)))


# The test values make every call succeed but these, refused on their merits.
EXPECTED_FAILURES = {
    name: (ValueError, "Invalid predicate IRI 'knows': No scheme found in an absolute IRI")
    for name in ("export_turtle", "export_ntriples")
}


@pytest.mark.parametrize("sub", SUBMODULES)
def test_every_parameter_can_be_given_by_keyword(param_values, sub):
    for name in registered(sub):
        fn = getattr(getattr(root, sub), name)
        params = signature_params(fn)
        unknown = [p for p in params if p not in param_values]
        assert not unknown, f"{name}: no test value for {unknown}"
        kwargs = {p: param_values[p] for p in params}
        by_keyword = outcome(lambda: fn(**kwargs))
        assert by_keyword == outcome(lambda: fn(*[param_values[p] for p in params])), name
        if isinstance(by_keyword, Failed):
            assert by_keyword == EXPECTED_FAILURES.get(name), name
        else:
            assert name not in EXPECTED_FAILURES


# Compared as it comes: any object is a value.
TAKES_ANY = {"value"}


@pytest.mark.parametrize("sub", SUBMODULES)
def test_a_wrong_argument_is_noted_with_its_own_parameter(param_values, sub):
    for name in registered(sub):
        fn = getattr(getattr(root, sub), name)
        params = signature_params(fn)
        for p in set(params) - TAKES_ANY:
            values = {q: param_values[q] for q in params} | {p: object()}
            for call in (lambda: fn(**values), lambda: fn(*values.values())):
                with pytest.raises(TypeError) as ei:
                    call()
                assert ei.value.__notes__ == [f"while processing '{p}'"], (name, p)


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
    for call, exc, message in [
        (lambda: A.bfs(g, "zz"), KeyError, "Node 'zz' not found"),
        (lambda: A.bfs(g, 1), TypeError, "'int' object is not an instance of 'str'"),
        (lambda: A.bfs_at_depth(g, "a", -1), OverflowError, "can't convert negative int to unsigned"),
    ]:
        with pytest.raises(exc) as ei:
            call()
        assert ei.value.args == (message,)
        g.add_node(f"after {message}")  # the exclusive borrow is free again
    assert g.n_nodes == 4


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


# Results whose groups name one node many times: a 1 MB hub in 2,000
# triangles, and 4,000 paths from it. Made once per group its id would need
# gigabytes. Isolated nodes keep the paths' members fewer than the nodes.
LONG_ID_IN_MANY_GROUPS = {
    "maximal_cliques": ("A.maximal_cliques(g, 20_000, 20_000)", 2_000),
    "k_clique_communities": ("A.k_clique_communities(g, 3)", 2_000),
    "all_simple_paths": ("A.all_simple_paths(g, HUB, 'end', 4, 10_000)", 4_000),
}


@pytest.mark.parametrize("fn", list(LONG_ID_IN_MANY_GROUPS))
def test_a_long_id_in_many_groups_costs_its_length_once(memory_capped, fn):
    call, groups = LONG_ID_IN_MANY_GROUPS[fn]
    setup = """
import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph
HUB = "h" * 1_000_000
g = PyGraph(directed=False)
g.add_node(HUB)
g.add_node("end")
for i in range(2_000):
    g.add_node(f"a{i}")
    g.add_node(f"b{i}")
    for s, t in ((HUB, f"a{i}"), (HUB, f"b{i}"), (f"a{i}", f"b{i}"), (f"a{i}", "end")):
        g.add_edge(s, t)
for i in range(14_000):
    g.add_node(f"pad{i}")
"""
    work = f"print(sum(HUB in group for group in {call}))"
    assert memory_capped(setup, work, 200).strip() == str(groups)
