"""Cliques, k-clique communities, bridges, cut vertices, bipartiteness,
density and matchings. networkx is the oracle where its definitions agree
(simple undirected graphs); the fixed orders and the directed and multigraph
behaviour are pinned by small cases."""

import inspect
import os
import random
import subprocess
import sys

import networkx as nx
import pytest

import vesk_graph._rust.algorithms as A
from vesk_graph._rust.graph import PyGraph

U = {"directed": False}
M = {"multi": True}


def as_sets(groups):
    return {frozenset(g) for g in groups}


@pytest.mark.parametrize(
    "fn, edges, kw, expected",
    [
        # bridges: (stored source, stored target) in edge slot order
        (A.bridges, [("a", "b"), ("b", "c")], U, [("a", "b"), ("b", "c")]),
        (A.bridges, [("z", "a"), ("b", "z"), ("z", "c")], U, [("z", "a"), ("b", "z"), ("z", "c")]),
        (A.bridges, [("a", "b"), ("b", "c"), ("c", "a")], U, []),
        (A.bridges, [("a", "b"), ("a", "b")], {**U, **M}, [("a", "b"), ("a", "b")]),
        (A.bridges, [("a", "b"), ("a", "b")], M, [("a", "b"), ("a", "b")]),
        (A.bridges, [("a", "a"), ("a", "b")], U, [("a", "b")]),
        (A.bridges, ["a", "b", ("a", "b")], {}, [("a", "b")]),
        (A.bridges, ["b", "a", ("a", "b")], {}, []),
        (A.bridges, [("a", "b"), ("b", "c"), ("a", "c")], {}, [("a", "b"), ("a", "c")]),
        # articulation points: direction ignored, ids sorted byte-wise
        (A.articulation_points, [("a", "b"), ("b", "c")], U, ["b"]),
        (A.articulation_points, [("a", "b"), ("b", "c")], {}, ["b"]),
        (A.articulation_points, [("b", "a"), ("b", "c")], {}, ["b"]),
        (A.articulation_points, [("z", "a"), ("z", "b"), ("z", "c")], U, ["z"]),
        (A.articulation_points, [("x", "ab"), ("ab", "y"), ("y", "a"), ("a", "z"), ("a", "B"), ("B", "q")], U,
         ["B", "a", "ab", "y"]),
        # bipartiteness
        (A.is_bipartite, [("a", "b"), ("b", "c"), ("c", "d"), ("d", "a")], U, True),
        (A.is_bipartite, [("a", "b"), ("b", "c"), ("c", "a")], U, False),
        (A.is_bipartite, [("a", "b"), ("c", "b"), ("c", "a")], {}, False),
        (A.is_bipartite, [("a", "a")], {}, False),
        (A.is_bipartite, [("a", "a")], U, False),
        (A.is_bipartite, ["a", "b"], U, True),
        # density
        (A.density, [("a", "b"), ("b", "c")], {}, 2 / 6),
        (A.density, [("a", "b"), ("b", "c")], U, 4 / 6),
        (A.density, [("a", "b")] * 3, M, 1.5),
        (A.density, ["a"], {}, 0.0),
        # matchings: (lower slot, higher slot) whatever the edge direction
        (A.greedy_matching, [("a", "b"), ("b", "c"), ("c", "d")], U, [("a", "b"), ("c", "d")]),
        (A.maximum_matching, [("a", "b"), ("b", "c"), ("c", "d")], U, [("a", "b"), ("c", "d")]),
        (A.greedy_matching, ["b", "c", "a", "d", ("a", "b"), ("b", "c"), ("c", "d")], U, [("b", "c")]),
        (A.maximum_matching, ["b", "c", "a", "d", ("a", "b"), ("b", "c"), ("c", "d")], U, [("b", "a"), ("c", "d")]),
        (A.greedy_matching, ["b", "a", ("a", "b")], {}, []),
        (A.maximum_matching, ["b", "a", ("a", "b")], {}, [("b", "a")]),
        (A.maximum_matching, [("a", "b"), ("b", "c"), ("c", "a")], U, [("a", "b")]),
        (A.maximum_matching, [("a", "a")], U, []),
        (A.maximum_matching, [("a", "b")] * 3 + [("b", "c")] * 2, {**U, **M}, [("a", "b")]),
        # k-clique communities: members sorted, communities by first member
        (lambda g: A.k_clique_communities(g, 3), [("a", "b"), ("b", "c"), ("c", "a"), ("c", "d")], U,
         [["a", "b", "c"]]),
        (lambda g: A.k_clique_communities(g, 2), [("a", "b"), ("b", "c"), ("c", "a"), ("c", "d")], U,
         [["a", "b", "c", "d"]]),
        (lambda g: A.k_clique_communities(g, 4), [("a", "b"), ("b", "c"), ("c", "a"), ("c", "d")], U, []),
        (lambda g: A.k_clique_communities(g, 3), [("d", "b"), ("b", "c"), ("c", "a"), ("a", "b"), ("c", "d")], U,
         [["a", "b", "c", "d"]]),
        (lambda g: A.k_clique_communities(g, 3), [("x", "y"), ("y", "z"), ("z", "x"), ("y", "w"), ("w", "z"),
                                                  ("a", "b"), ("b", "c"), ("c", "a")], U,
         [["a", "b", "c"], ["w", "x", "y", "z"]]),
        (lambda g: A.k_clique_communities(g, 2**64 - 1), [("a", "b")], U, []),
    ],
)
def test_fixed_results(make, fn, edges, kw, expected):
    nodes = [e for e in edges if isinstance(e, str)]
    assert fn(make([e for e in edges if not isinstance(e, str)], nodes=nodes, **kw)) == expected


def test_empty_graph(make):
    g = make()
    assert A.maximal_cliques(g) == [[]] and A.maximal_cliques(g, max_cliques=0) == []
    for k in (0, 1, 2, 3):
        assert A.k_clique_communities(g, k) == []
    for fn in (A.bridges, A.articulation_points, A.greedy_matching, A.maximum_matching):
        assert fn(g) == []
    assert A.is_bipartite(g) is True and A.density(g) == 0.0


def test_clique_caps_and_small_cases(make):
    g = make([("a", "b"), ("b", "c"), ("c", "a"), ("c", "d")], directed=False)
    assert as_sets(A.maximal_cliques(g)) == {frozenset("abc"), frozenset("cd")}
    assert len(A.maximal_cliques(g, 4)) == 2
    with pytest.raises(ValueError, match=r"^maximal_cliques refuses inputs larger than max_input_nodes=3 "
                                         r"\(graph has 4 nodes\); Bron-Kerbosch's worst case is 3\^\(N/3\) cliques\. "
                                         r"Raise VeskGraphSettings\.max_nodes if your input genuinely warrants it\.$"):
        A.maximal_cliques(g, 3, 0)
    assert A.maximal_cliques(g, max_cliques=0) == []
    isolated = make(nodes="abc")
    one = A.maximal_cliques(isolated, max_cliques=1)
    assert len(one) == 1 and one[0] in (["a"], ["b"], ["c"])
    loops = make([("a", "a"), ("b", "c"), ("b", "c")], directed=False, multi=True)
    assert as_sets(A.maximal_cliques(loops)) == {frozenset("a"), frozenset("bc")}
    assert A.maximal_cliques(make([("a", "b"), ("b", "a")])) in ([["a", "b"]], [["b", "a"]])
    one_way = A.maximal_cliques(make([("a", "b")]))
    assert as_sets(one_way) in ({frozenset("b")}, {frozenset("ab"), frozenset("b")})
    # below k = 2 the weak components, members in slot order
    assert sorted(A.k_clique_communities(make([("c", "a")], nodes="bc"), 1)) == [["b"], ["c", "a"]]


def random_simple(n, m, seed, holes=0):
    """An undirected PyGraph and its networkx twin; `holes` nodes are removed
    so that slot numbers have gaps."""
    rng = random.Random(seed)
    g = PyGraph(directed=False, multi=True)
    ng = nx.Graph()
    for i in range(n):
        g.add_node(str(i))
        ng.add_node(str(i))
    for _ in range(m):
        a, b = str(rng.randrange(n)), str(rng.randrange(n))
        if a != b and not ng.has_edge(a, b):
            g.add_edge(a, b) if rng.random() < 0.5 else g.add_edge(b, a)
            ng.add_edge(a, b)
    for v in rng.sample(sorted(ng.nodes), holes):
        g.remove_node(v)
        ng.remove_node(v)
    return g, ng


@pytest.mark.parametrize("n, m, seed", [(30, 40, 1), (40, 120, 2), (60, 90, 3), (25, 150, 4), (80, 400, 5)])
def test_agrees_with_networkx(n, m, seed):
    g, ng = random_simple(n, m, seed, holes=n // 10)
    assert {frozenset(e) for e in A.bridges(g)} == {frozenset(e) for e in nx.bridges(ng)}
    assert A.articulation_points(g) == sorted(nx.articulation_points(ng))
    assert A.is_bipartite(g) == nx.is_bipartite(ng)
    assert A.density(g) == pytest.approx(nx.density(ng))
    assert as_sets(A.maximal_cliques(g)) == as_sets(nx.find_cliques(ng))
    both_ways = PyGraph()  # directed, every edge with its reverse: the same cliques
    for v in ng.nodes:
        both_ways.add_node(v)
    for a, b in ng.edges:
        both_ways.add_edge(a, b)
        both_ways.add_edge(b, a)
    assert as_sets(A.maximal_cliques(both_ways)) == as_sets(nx.find_cliques(ng))
    assert A.articulation_points(both_ways) == A.articulation_points(g)
    for k in (2, 3, 4):
        assert as_sets(A.k_clique_communities(g, k)) == as_sets(nx.community.k_clique_communities(ng, k))
    size = len(nx.max_weight_matching(ng, maxcardinality=True))
    for fn, want in ((A.maximum_matching, size), (A.greedy_matching, None)):
        pairs = fn(g)
        assert nx.is_matching(ng, set(pairs)) and (want is None or len(pairs) == want)


@pytest.mark.parametrize("directed", [True, False])
@pytest.mark.parametrize("n, odd, first", [
    (7, "far", True), (40, None, None), (40, "loop", False), (3000, None, None),
    (3000, "near", False), (3000, "far", True), (3000, "loop", True),
])
def test_bipartite_agrees_with_networkx_on_multigraphs(directed, n, odd, first):
    # A random two-sided multigraph (parallel edges, edges stored either way
    # round), maybe with one odd link (near the first node slots, near the
    # last, or a self-loop) in the first or the last edge slot; then vacant
    # and reused slots.
    rng = random.Random(n * 4 + directed)
    g = PyGraph(directed=directed, multi=True)
    for i in range(n):
        g.add_node(str(i))
    links = [(2 * rng.randrange(n // 2), 2 * rng.randrange(n // 2) + 1) for _ in range(2 * n)]
    if odd:
        # a, b even and both joined to the odd a + 1: the link a - b closes a triangle
        a = {"near": 0, "far": n - 2 - n % 2, "loop": 1}[odd]
        b = a if odd == "loop" else a - 2 if a else 2
        links += [(a, a + 1), (b, a + 1)]
        rng.shuffle(links)
        links.insert(0 if first else len(links), (a, b))
    for a, b in links:
        g.add_edge(str(a), str(b)) if rng.random() < 0.5 else g.add_edge(str(b), str(a))
    for v in rng.sample(range(4, n - 4), n // 10):
        g.remove_node(str(v))
    g.add_node("late")
    g.add_edge("late", "3")
    ng = nx.MultiGraph()
    ng.add_nodes_from(g.node_ids())
    ng.add_edges_from((a, b) for a, b, _ in g.edges())
    assert A.is_bipartite(g) is nx.is_bipartite(ng) is (odd is None)


def test_cliques_of_large_neighbourhoods_agree_with_networkx():
    # Degrees near 70: the search over neighbourhoods too large for one machine word.
    rng = random.Random(7)
    ng = nx.complete_bipartite_graph(70, 70)
    ng.add_edges_from((i, j) for i in range(140) for j in range(i + 1, 140) if (i < 70) == (j < 70) and rng.random() < 0.05)
    g = PyGraph(directed=False)
    for v in ng.nodes:
        g.add_node(str(v))
    for a, b in ng.edges:
        g.add_edge(str(a), str(b))
    assert as_sets(A.maximal_cliques(g, 140, 10**6)) == as_sets(nx.find_cliques(nx.relabel_nodes(ng, str)))


def test_a_million_node_path_needs_no_deep_recursion():
    n = 1_000_000
    ids = [str(i) for i in range(n)]
    g = PyGraph(directed=False)
    for i in ids:
        g.add_node(i)
    for a, b in zip(ids, ids[1:]):
        g.add_edge(a, b)
    assert len(A.bridges(g)) == n - 1
    assert len(A.articulation_points(g)) == n - 2
    assert A.is_bipartite(g)
    assert len(A.maximum_matching(g)) == len(A.greedy_matching(g)) == n // 2
    assert len(A.maximal_cliques(g, n, n)) == n - 1
    assert len(A.k_clique_communities(g, 2)[0]) == n


def cocktail_party(pairs):
    """Every node joined to every other but its partner: 2**pairs maximal cliques of `pairs` members."""
    g = PyGraph(directed=False)
    for i in range(2 * pairs):
        g.add_node(str(i))
    for i in range(2 * pairs):
        for j in range(i + 1, 2 * pairs):
            if j != i + 1 or i % 2:
                g.add_edge(str(i), str(j))
    return g


def test_ctrl_c_interrupts_clique_percolation(ctrl_c):
    # No clique reaches k = 29, yet the search has about 2**27 branches to cut
    # (a few seconds' worth: a lost Ctrl-C fails the test instead of hanging it).
    g = cocktail_party(28)
    ctrl_c(A.k_clique_communities, g, 29)
    g.add_node("after")  # the borrow was released


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer reserves its shadow memory beyond any address-space limit")
def test_running_out_of_memory_is_a_memory_error(tmp_path):
    script = inspect.getsource(cocktail_party) + (
        "import resource\n"
        "import vesk_graph._rust.algorithms as A\n"
        "from vesk_graph._rust.graph import PyGraph\n"
        "g = cocktail_party(22)\n"
        "with open('/proc/self/statm') as f: used = int(f.read().split()[0]) * resource.getpagesize()\n"
        "resource.setrlimit(resource.RLIMIT_AS, (used + (150 << 20), resource.RLIM_INFINITY))\n"
        "try:\n"
        "    A.k_clique_communities(g, 3)\n"
        "except MemoryError:\n"
        "    g.add_node('after'); print('MemoryError')\n"
    )
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=300, cwd=tmp_path)
    assert out.stdout.strip() == "MemoryError", out.stderr[-2000:]
