"""Centrality scores and communities seen from Python. networkx serves as an
oracle where its definitions agree: PageRank along stored edge directions
after many iterations, betweenness on graphs without parallel edges or
self-loops, closeness on the reversed graph without the Wasserman-Faust
factor, and eigenvector centrality on connected non-bipartite graphs (its
shifted iteration reaches the same vector)."""

import math
import random

import networkx as nx
import numpy as np
import pytest

import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph

SCORE_FUNCTIONS = [
    A.pagerank, A.degree_centrality, A.in_degree_centrality, A.out_degree_centrality,
    A.betweenness_centrality, A.closeness_centrality, A.eigenvector_centrality,
]


def random_graph(n, m, directed, seed, multi=False, loops=False):
    rng = random.Random(seed)
    g = PyGraph(directed=directed, multi=multi)
    for i in range(n):
        g.add_node(f"n{i}")
    pairs = set()
    while m:
        a, b = rng.randrange(n), rng.randrange(n)
        key = (a, b) if directed else (min(a, b), max(a, b))
        if (a == b and not loops) or (key in pairs and not multi):
            continue
        pairs.add(key)
        g.add_edge(f"n{a}", f"n{b}")
        m -= 1
    return g


def as_networkx(g, stored=False):
    """The same nodes and edges; `stored` keeps each edge's stored direction."""
    directed = stored or g.is_directed
    h = (nx.MultiDiGraph if directed else nx.MultiGraph)() if g.is_multi else (nx.DiGraph if directed else nx.Graph)()
    h.add_nodes_from(g.node_ids())
    h.add_edges_from((s, t) for s, t, _ in g.edges())
    return h


def assert_scores_match(ours, expected, rel=1e-9, abs=1e-12):
    assert sorted(n for n, _ in ours) == sorted(expected)
    for n, score in ours:
        assert score == pytest.approx(expected[n], rel=rel, abs=abs), n


def assert_score_order(scores, g):
    slot = {n: i for i, n in enumerate(g.node_ids())}
    for (a, x), (b, y) in zip(scores, scores[1:]):
        assert x > y or (x == y and slot[a] < slot[b]), (a, x, b, y)


@pytest.mark.parametrize("directed, multi", [(True, False), (True, True), (False, True)])
def test_pagerank_matches_networkx_along_stored_directions(directed, multi):
    g = random_graph(60, 180, directed, seed=3, multi=multi, loops=True)
    ours = A.pagerank(g, 0.85, 500)
    # The stationary vector of networkx's Google matrix (numpy only).
    h = as_networkx(g, stored=True)
    values, vectors = np.linalg.eig(nx.google_matrix(h, alpha=0.85).T)
    stationary = np.real(vectors[:, np.argmax(np.real(values))])
    assert_scores_match(ours, dict(zip(h.nodes, stationary / stationary.sum())))
    assert_score_order(ours, g)
    assert math.fsum(s for _, s in ours) == pytest.approx(1.0)


@pytest.mark.parametrize("directed", [True, False])
@pytest.mark.parametrize("normalized", [True, False])
def test_betweenness_matches_networkx_on_simple_graphs(directed, normalized):
    g = random_graph(50, 120, directed, seed=5)
    ours = A.betweenness_centrality(g, normalized)
    assert_scores_match(ours, nx.betweenness_centrality(as_networkx(g), normalized=normalized))
    assert_score_order(ours, g)


@pytest.mark.parametrize("directed", [True, False])
def test_closeness_matches_networkx_on_the_reversed_graph(directed):
    g = random_graph(50, 70, directed, seed=7, multi=True, loops=True)
    h = as_networkx(g)
    ours = A.closeness_centrality(g)
    assert_scores_match(ours, nx.closeness_centrality(h.reverse() if directed else h, wf_improved=False))
    assert_score_order(ours, g)


def test_eigenvector_matches_networkx_on_connected_graphs():
    g = random_graph(40, 80, False, seed=11)
    for i in range(40):
        if not g.has_edge(f"n{i}", f"n{(i + 1) % 40}"):
            g.add_edge(f"n{i}", f"n{(i + 1) % 40}")
    assert not nx.is_bipartite(as_networkx(g))
    ours = A.eigenvector_centrality(g, 100000, 1e-14)
    assert_scores_match(ours, nx.eigenvector_centrality(as_networkx(g), max_iter=100000, tol=1e-14), rel=1e-7)


def test_degree_centralities_match_networkx():
    g = random_graph(30, 90, True, seed=13)
    h = as_networkx(g)
    for ours, theirs in [
        (A.degree_centrality, nx.degree_centrality),
        (A.in_degree_centrality, nx.in_degree_centrality),
        (A.out_degree_centrality, nx.out_degree_centrality),
    ]:
        scores = ours(g)
        assert_scores_match(scores, theirs(h), rel=1e-15)
        assert_score_order(scores, g)


def test_fixed_values_and_tie_orders(make):
    d = make([("a", "b"), ("b", "c")])
    assert A.closeness_centrality(d) == [("b", 1.0), ("a", 2 / 3), ("c", 0.0)]
    u = make([("a", "b"), ("b", "c")], directed=False)
    assert [n for n, _ in A.pagerank(u)] == ["c", "b", "a"]  # rank flows a -> b -> c only
    # Undirected, every edge counts in and out: all three are the degree.
    for fn in (A.in_degree_centrality, A.out_degree_centrality, A.degree_centrality):
        assert fn(u) == [("b", 1.0), ("a", 0.5), ("c", 0.5)], fn.__name__
    assert A.eigenvector_centrality(u) == [(n, pytest.approx(1 / math.sqrt(3))) for n in "abc"]
    edgeless = make(nodes="cab")
    for fn in SCORE_FUNCTIONS:
        assert [n for n, _ in fn(edgeless)] == ["c", "a", "b"], fn.__name__
        assert fn(make()) == []
    assert A.pagerank(edgeless, iterations=0) == [(n, 1 / 3) for n in "cab"]


def test_argument_conversion(make):
    g = make([("a", "b")])
    assert A.pagerank(g, 1, True) == A.pagerank(g, 1.0, 1)
    assert A.betweenness_centrality(g, np.bool_(False)) == A.betweenness_centrality(g, False)
    for call, note in [
        (lambda: A.pagerank(g, None), "damping_factor"),
        (lambda: A.pagerank(g, 0.85, 1.5), "iterations"),
        (lambda: A.betweenness_centrality(g, 1), "normalized"),
        (lambda: A.eigenvector_centrality(g, 10, "small"), "tolerance"),
    ]:
        with pytest.raises(TypeError) as ei:
            call()
        assert ei.value.__notes__ == [f"while processing '{note}'"]


def test_nan_scores_sort_last_in_slot_order(make):
    g = make([("a", "b"), ("c", "b")], nodes="cab")
    scores = A.pagerank(g, float("nan"), 3)
    assert [n for n, _ in scores] == ["c", "a", "b"] and all(math.isnan(s) for _, s in scores)


def test_huge_iteration_counts_end_once_the_vector_recurs():
    # This graph's ranks settle into a cycle of 16 vectors.
    g = random_graph(200, 800, True, seed=17, multi=True, loops=True)
    assert A.pagerank(g, 0.85, 2**64 - 1) == A.pagerank(g, 0.85, 2**14 - 1) != A.pagerank(g, 0.85, 2**14 - 2)
    # The undirected path alternates between two vectors forever.
    p = PyGraph(directed=False)
    for n in "abc":
        p.add_node(n)
    p.add_edge("a", "b")
    p.add_edge("b", "c")
    assert A.eigenvector_centrality(p, 2**64 - 1, 0.0) == A.eigenvector_centrality(p, 101, 0.0)
    assert A.eigenvector_centrality(p, 2**64 - 2, 0.0) == A.eigenvector_centrality(p, 100, 0.0)


def planted(groups, size, directed, seed):
    """Cliques of `size` nodes, consecutive ones joined by one edge."""
    rng = random.Random(seed)
    g = PyGraph(directed=directed)
    ids = [f"g{k}_{i}" for k in range(groups) for i in range(size)]
    for n in rng.sample(ids, len(ids)):
        g.add_node(n)
    for k in range(groups):
        for i in range(size):
            for j in range(i + 1, size):
                g.add_edge(f"g{k}_{i}", f"g{k}_{j}")
        g.add_edge(f"g{k}_0", f"g{(k + 1) % groups}_1")
    return g, [sorted(f"g{k}_{i}" for i in range(size)) for k in range(groups)]


@pytest.mark.parametrize("directed", [True, False])
def test_communities_recover_planted_cliques(directed):
    g, expected = planted(6, 5, directed, seed=19)
    assert A.louvain_communities(g) == sorted(expected)
    assert A.label_propagation(g) == sorted(expected)


def test_louvain_weights_and_result_order(make):
    assert A.louvain_communities(make([("a", "b", {"weight": 1}), ("b", "c", {"weight": -1})], nodes="cba")) == [
        ["c"], ["b"], ["a"]]
    # A light link between two triangles keeps them apart; a non-number
    # weight counts as 1.0 and a heavy link pulls its ends together.
    tri = [("a", "b"), ("b", "c"), ("c", "a"), ("d", "e"), ("e", "f"), ("f", "d")]
    assert A.louvain_communities(make([*tri, ("c", "d", {"weight": 0.1})])) == [["a", "b", "c"], ["d", "e", "f"]]
    assert A.louvain_communities(make([*tri, ("c", "d", {"weight": "9"})])) == [["a", "b", "c"], ["d", "e", "f"]]
    heavy = A.louvain_communities(make([*tri, ("c", "d", {"weight": 50})]))
    assert any({"c", "d"} <= set(c) for c in heavy)
