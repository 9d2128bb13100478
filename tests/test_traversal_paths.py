"""Traversal and weighted path functions seen from Python. networkx serves as
an oracle where its definitions agree: the set and hop depth of reachable
nodes, and Dijkstra / Bellman-Ford distances with non-negative weights."""

import random

import networkx as nx
import pytest

import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph


def test_fixed_orders_on_a_small_directed_graph(make):
    g = make([("a", "b"), ("a", "c"), ("c", "d")])
    assert A.bfs(g, "a") == ["a", "c", "b", "d"]
    assert A.bfs_with_depth(g, "a") == [("a", 0), ("c", 1), ("b", 1), ("d", 2)]
    assert A.bfs_at_depth(g, "a", 1) == ["c", "b"]
    assert A.dfs(g, "a") == ["a", "b", "c", "d"]
    assert A.dfs_events(g, "a") == [
        ("a", "enter"), ("c", "enter"), ("d", "enter"), ("d", "exit"),
        ("c", "exit"), ("b", "enter"), ("b", "exit"), ("a", "exit"),
    ]


def test_undirected_walk_order(make):
    g = make([("a", "b"), ("b", "c")], directed=False)
    assert A.bfs(g, "b") == ["b", "c", "a"]
    assert A.dfs(g, "b") == ["b", "a", "c"]
    assert [n for n, e in A.dfs_events(g, "b") if e == "enter"] == ["b", "c", "a"]


def test_orders_follow_adjacency_not_slots(make):
    g = make(nodes="xab")
    g.remove_node("x")
    g.add_node("c")  # takes a's old neighbour's slot 0
    g.add_edge("a", "c")
    g.add_edge("a", "b")
    assert A.bfs(g, "a") == ["a", "b", "c"]
    assert A.dfs(g, "a") == ["a", "c", "b"]


def test_loops_and_parallel_edges_list_nodes_once(make):
    g = make([("a", "a"), ("a", "b"), ("a", "b")], multi=True)
    for fn in (A.bfs, A.dfs):
        assert fn(g, "a") == ["a", "b"]
    assert A.dfs_events(g, "a") == [("a", "enter"), ("b", "enter"), ("b", "exit"), ("a", "exit")]
    single = make(nodes="a")
    assert A.has_path(single, "a", "a") and A.bfs_with_depth(single, "a") == [("a", 0)]


def test_direction_of_reachability(make):
    d = make([("b", "a")])
    assert A.bfs(d, "a") == ["a"]
    assert not A.has_path(d, "a", "b") and A.has_path(d, "b", "a")
    u = make([("b", "a")], directed=False)
    assert A.bfs(u, "a") == ["a", "b"] and A.has_path(u, "a", "b")


def random_graph(n, m, directed, seed, weights=False):
    rng = random.Random(seed)
    g = PyGraph(directed=directed, multi=True)
    ng = nx.MultiDiGraph() if directed else nx.MultiGraph()
    for i in range(n):
        g.add_node(str(i))
        ng.add_node(str(i))
    for _ in range(m):
        a, b = str(rng.randrange(n)), str(rng.randrange(n))
        w = rng.choice([0, 1, 2, 3.5, 10]) if weights else 1
        g.add_edge(a, b, {"w": w})
        ng.add_edge(a, b, w=w)
    return g, ng


@pytest.mark.parametrize("directed", [True, False])
@pytest.mark.parametrize("seed", range(4))
def test_reach_and_depth_agree_with_networkx(directed, seed):
    g, ng = random_graph(60, 120, directed, seed)
    expected = nx.single_source_shortest_path_length(ng, "0")
    assert dict(A.bfs_with_depth(g, "0")) == expected
    assert set(A.dfs(g, "0")) == set(expected)
    for t in ("1", "2", "59"):
        assert A.has_path(g, "0", t) == (t in expected)
    depth2 = {n for n, d in expected.items() if d == 2}
    assert set(A.bfs_at_depth(g, "0", 2)) == depth2


@pytest.mark.parametrize("directed", [True, False])
@pytest.mark.parametrize("seed", range(4))
def test_weighted_distances_agree_with_networkx(directed, seed):
    g, ng = random_graph(50, 150, directed, seed, weights=True)
    expected = nx.single_source_dijkstra_path_length(ng, "0", weight="w")
    got = A.shortest_paths(g, "0", weight_key="w")
    assert got == pytest.approx(expected)
    if directed:  # Bellman-Ford follows stored direction on both kinds
        assert A.bellman_ford_paths(g, "0", "w") == pytest.approx(expected)
    for t in ("7", "31"):
        length = A.shortest_path_length(g, "0", t, "w")
        assert length == (pytest.approx(expected[t]) if t in expected else None)
        star = A.astar_path(g, "0", t, "w")
        if t not in expected:
            assert star is None
        else:
            assert list(star) == ["cost", "path"]
            assert star["cost"] == pytest.approx(expected[t])
            path = star["path"]
            assert path[0] == "0" and path[-1] == t
            assert sum(min(d["w"] for d in ng.get_edge_data(a, b).values()) for a, b in zip(path, path[1:])) == \
                pytest.approx(expected[t])


def test_dijkstra_with_target_keeps_reached_but_unsettled_nodes(make):
    g = make([("a", "b", {"w": 1}), ("a", "c", {"w": 5}), ("b", "t", {"w": 1})])
    assert A.shortest_paths(g, "a", "t", "w") == {"a": 0.0, "b": 1.0, "c": 5.0, "t": 2.0}
    first = make([("s", "x", {"w": 1}), ("s", "y", {"w": 1}), ("x", "p", {"w": 5})])
    assert A.shortest_paths(first, "s", "y", "w") == {"s": 0.0, "y": 1.0, "x": 1.0}
    second = make([("s", "y", {"w": 1}), ("s", "x", {"w": 1}), ("x", "p", {"w": 5})])
    assert A.shortest_paths(second, "s", "y", "w") == {"s": 0.0, "x": 1.0, "y": 1.0, "p": 6.0}


def test_weight_values_under_the_key(make):
    weights = [2, 2.5, -1, True, False, "3", None, [1]]
    expected = [2.0, 2.5, -1.0, 1.0, 1.0, 1.0, 1.0, 1.0]
    for w, e in zip(weights, expected):
        g = make([("a", "b", {"w": w})])
        assert A.shortest_path_length(g, "a", "b", "w") == e
    g = make([("a", "b", {"w": 7})])
    assert A.shortest_path_length(g, "a", "b") == 1.0
    assert A.shortest_path_length(g, "a", "b", "other") == 1.0
    assert A.shortest_paths(g, "a", "a") == {"a": 0.0}


def test_unknown_ids_in_path_functions(make):
    g = make(nodes="ab")
    with pytest.raises(KeyError, match="'zz'"):
        A.shortest_paths(g, "a", "zz")
    with pytest.raises(KeyError, match="'x'"):
        A.shortest_paths(g, "x", "zz")
    with pytest.raises(ValueError, match=r"^Node 'zz' not found$"):
        A.bellman_ford_paths(g, "zz")
    assert A.shortest_path_length(g, "a", "b") is None
    assert A.astar_path(g, "a", "b") is None


def test_negative_weights_and_cycles(make):
    g = make([("a", "b", {"w": 4}), ("a", "c", {"w": 1}), ("b", "c", {"w": -3})])
    assert A.bellman_ford_paths(g, "a", "w") == {"a": 0.0, "b": 4.0, "c": 1.0}
    assert A.astar_path(g, "a", "c", "w") == {"cost": 1.0, "path": ["a", "c"]}
    cyc = make([("a", "b", {"w": 1}), ("b", "c", {"w": -3}), ("c", "b", {"w": 1}), ("c", "t", {"w": 1})])
    with pytest.raises(ValueError, match="^Negative cycle detected$"):
        A.bellman_ford_paths(cyc, "a", "w")
    with pytest.raises(ValueError, match="^Negative cycle detected$"):
        A.astar_path(cyc, "a", "t", "w")
    # Dijkstra never refuses and always ends.
    assert "t" in A.shortest_paths(cyc, "a", weight_key="w")


def test_bellman_ford_follows_stored_direction_even_undirected(make):
    u = make([("a", "b", {"w": 2})], directed=False)
    assert A.bellman_ford_paths(u, "a", "w") == {"a": 0.0, "b": 2.0}
    assert A.bellman_ford_paths(u, "b", "w") == {"b": 0.0}


def test_a_million_node_path_needs_no_recursion():
    n = 1_000_000
    g = PyGraph()
    ids = [str(i) for i in range(n)]
    for i in ids:
        g.add_node(i)
    for a, b in zip(ids, ids[1:]):
        g.add_edge(a, b)
    last = ids[-1]
    assert len(A.bfs(g, "0")) == n
    assert len(A.dfs(g, "0")) == n
    assert len(A.dfs_events(g, "0")) == 2 * n
    assert A.bfs_with_depth(g, "0")[-1] == (last, n - 1)
    assert A.bfs_at_depth(g, "0", n - 1) == [last]
    assert A.has_path(g, "0", last)
    assert A.shortest_path_length(g, "0", last) == n - 1
    assert len(A.shortest_paths(g, "0")) == n
    assert A.astar_path(g, "0", last)["cost"] == n - 1
    assert A.bellman_ford_paths(g, "0")[last] == n - 1
