import math

import numpy as np
import pytest

from vesk_graph._rust.graph import PyGraph


def roundtrip(value):
    g = PyGraph()
    g.add_node("n", {"v": value})
    return g.node("n")["v"]


@pytest.mark.parametrize(
    "given, expected",
    [
        (None, None),
        (True, True),
        (np.bool_(True), True),
        (np.bool_(False), False),
        (0, 0),
        (-1, -1),
        (2**63 - 1, 2**63 - 1),
        (-(2**63), -(2**63)),
        (2**63, 9.223372036854775808e18),
        (1.5, 1.5),
        (float("inf"), None),
        (float("-inf"), None),
        (float("nan"), None),
        ("text", "text"),
        ([], []),
        ({}, {}),
        ((1, 2), "(1, 2)"),
        ({1}, "{1}"),
        (b"ab", "b'ab'"),
        ([1, [2.0, "x"], {"k": None}], [1, [2.0, "x"], {"k": None}]),
        (np.int64(7), 7),
        (np.float32(0.5), 0.5),
    ],
)
def test_values_take_their_documented_form(given, expected):
    got = roundtrip(given)
    assert got == expected
    assert type(got) is type(expected)


def test_bool_is_not_an_integer_and_negative_zero_survives():
    assert roundtrip(True) is True
    z = roundtrip(-0.0)
    assert z == 0.0 and math.copysign(1.0, z) == -1.0


def test_integer_too_large_for_a_double_becomes_its_digits():
    big = 10**400
    assert roundtrip(big) == str(big)


def test_object_keys_come_back_sorted():
    got = roundtrip({"b": 1, "a": 2, "ab": 3, "B": 4})
    assert list(got) == ["B", "a", "ab", "b"]


def test_lone_surrogate_value_becomes_replacement_characters():
    assert roundtrip("a\ud800b") == "a\ufffd\ufffd\ufffdb"


def test_bad_keys_are_refused():
    g = PyGraph()
    with pytest.raises(TypeError, match=r"^'int' object is not an instance of 'str'$"):
        g.add_node("n", {"v": {1: 2}})
    with pytest.raises(TypeError, match=r"^'None' is not an instance of 'str'$"):
        g.add_node("n", {None: 1})
    with pytest.raises(UnicodeEncodeError):
        g.add_node("n", {"\ud800": 1})
    with pytest.raises(UnicodeEncodeError):
        g.add_node("n", {"v": {"\udfff": 1}})
    assert len(g) == 0


def test_str_hook_failure_propagates_and_leaves_graph_alone():
    class Bad:
        def __str__(self):
            raise LookupError("no text")

    g = PyGraph()
    with pytest.raises(LookupError, match="no text"):
        g.add_node("n", {"v": Bad()})
    assert len(g) == 0


@pytest.mark.parametrize("exc", [KeyboardInterrupt, SystemExit, MemoryError])
def test_serious_exceptions_in_hooks_propagate(exc):
    class Hook:
        def __index__(self):
            raise exc()

    g = PyGraph()
    with pytest.raises(exc):
        g.add_node("n", {"v": Hook()})
    assert len(g) == 0


def test_ordinary_hook_errors_move_on_to_the_next_form():
    class FloatOnly:
        def __index__(self):
            raise ValueError("not an int")

        def __float__(self):
            return 2.5

    assert roundtrip(FloatOnly()) == 2.5


def test_self_containing_containers_are_refused():
    lst = []
    lst.append(lst)
    d = {}
    d["me"] = d
    g = PyGraph()
    with pytest.raises(ValueError, match="contains itself"):
        g.add_node("a", {"v": lst})
    with pytest.raises(ValueError, match="contains itself"):
        g.add_node("b", d)
    assert len(g) == 0


def test_nesting_limit_is_exact():
    from vesk_graph._rust.graph import PyGraph as G

    def nested(depth):
        v = 0
        for _ in range(depth):
            v = [v]
        return v

    g = G()
    g.add_node("ok", {"v": nested(123)})
    with pytest.raises(ValueError, match="nested deeper than 123 levels"):
        g.add_node("deep", {"v": nested(124)})
    with pytest.raises(ValueError):
        g.add_node("deeper", {"v": nested(100000)})
    assert g.node_ids() == ["ok"]


def test_list_shrinking_during_walk_stops_early():
    lst = []

    class Shrink:
        def __index__(self):
            lst.clear()
            return 1

    lst.extend([Shrink(), 2, 3])
    assert roundtrip(lst) == [1]


def test_dict_subclass_and_list_subclass_read_from_storage():
    class D(dict):
        def items(self):
            raise AssertionError("items must not be called")

    class L(list):
        def __iter__(self):
            raise AssertionError("__iter__ must not be called")

    assert roundtrip(D(a=L([1, 2]))) == {"a": [1, 2]}


def test_unsigned_above_signed_range_reads_back_as_float():
    # Only reachable through stored data; the conversion maps it to a float.
    assert roundtrip(2**64 - 1) == float(2**64 - 1)


class _Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("minus_one, top", [(np.int64(-1), np.uint64(2**64 - 1)), (_Index(-1), _Index(2**64 - 1))],
                         ids=["numpy", "__index__"])
def test_an_index_of_minus_one_is_minus_one_wherever_integers_are_read(minus_one, top):
    # -1 (and the top unsigned value, its bits) is also what the C API
    # returns on failure; only a set error makes it one. As a value -1 is
    # -1; as a count, a node number or a byte it is out of range.
    from vesk_graph._rust import algorithms as A
    from vesk_graph._rust import knowledge as K

    m = minus_one
    g = PyGraph()
    g.add_node("a", {"v": m, "l": [m], "d": {"k": m}})
    g.add_node("b")
    g.add_edge("a", "b", {"w": m})
    g.set_node_property("b", "v", m)
    g.update_node("b", {"u": m, "top": top})
    assert g.node("a") == {"v": -1, "l": [-1], "d": {"k": -1}} and type(g.node("a")["v"]) is int
    assert g.node("b") == {"v": -1, "u": -1, "top": float(2**64 - 1)}
    assert g.edges() == [("a", "b", {"w": -1})]
    assert g.nodes_filtered("v", m) == ["a", "b"] and g.edges_filtered("w", m) == g.edges()
    assert K.extract_subgraph_by_property(g, "v", m).node_ids() == ["a", "b"]
    assert A.bfs_at_depth(g, "a", top) == [] and K.find_hub_nodes(g, top) == []
    negative, out_of_range = "can't convert negative int to unsigned", "out of range integral type conversion attempted"
    refusals = [  # call, message, parameter noted
        (lambda: A.bfs_at_depth(g, "a", m), negative, "depth"),
        (lambda: K.find_hub_nodes(g, m), negative, "threshold"),
        (lambda: A.connected_components_from_edges(m, []), negative, "n_nodes"),
        (lambda: A.connected_components_from_edges(2, [(0, m)]), out_of_range, "edges"),
        (lambda: PyGraph().__setstate__([m]), out_of_range, "state"),
    ]
    for call, message, note in refusals:
        with pytest.raises(OverflowError) as ei:
            call()
        assert str(ei.value) == message and ei.value.__notes__ == [f"while processing '{note}'"]


def test_results_stay_visible_to_the_cycle_collector():
    # Result lists are filled out of the collector's sight and tuples of
    # plain items are never tracked; a list must be tracked once handed
    # back, and a tuple holding a container must stay tracked, or cycles
    # made through them later would never be freed.
    import gc
    import weakref

    from vesk_graph._rust import algorithms as alg
    from vesk_graph._rust import knowledge as kn

    class Marker:
        pass

    g = PyGraph()
    for n in "abc":
        g.add_node(n)
    g.add_edge("a", "b", {"predicate": "p", "tags": ["x"]})
    g.add_edge("b", "c", {"predicate": "p"})
    other = kn.from_triples([("a", "p", "c")])
    results = [alg.degree_centrality(g), alg.bfs(g, "a"), alg.bridges(g), alg.louvain_communities(g),
               alg.strongly_connected_components(g), kn.project_triples(g),
               kn.diff_graphs(g, other)["removed_edges"], g.edges()]
    nested, plain = g.edges()
    assert all(gc.is_tracked(r) for r in results)
    assert gc.is_tracked(nested) and not gc.is_tracked(plain)
    markers = []
    for cycle in results + [nested[2]]:
        m = Marker()
        markers.append(weakref.ref(m))
        if isinstance(cycle, list):
            cycle.append([cycle, m])
        else:
            cycle["back"] = (nested, m)
    del results, nested, plain, cycle, m
    gc.collect()
    assert [ref() for ref in markers] == [None] * len(markers)
