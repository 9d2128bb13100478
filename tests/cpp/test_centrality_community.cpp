// Centrality scores and communities of the core: fixed values, tie orders
// and the guards against runaway iteration.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_centrality_community.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/algorithms/centrality.hpp"
#include "core/algorithms/path_centrality.hpp"
#include "core/algorithms/label_propagation.hpp"
#include "core/algorithms/louvain.hpp"
#include "core/support/score_order.hpp"

#include "check.hpp"

using namespace vg;

// Nodes named in `ids`, then edges "s>t" or "s>t:weight" in order.
static PropertyGraph make(bool directed, const char* ids, const char* edges) {
    PropertyGraph g(directed, true, "");
    std::istringstream in(ids), ein(edges);
    for (std::string id; in >> id;) CHECK(g.add_node(id, {}).ok());
    for (std::string e; ein >> e;) {
        size_t gt = e.find('>'), colon = e.find(':');
        Properties p;
        if (colon != std::string::npos)
            p.insert_or_assign("weight", Value::number(Number::from_f64(std::stod(e.substr(colon + 1)))));
        CHECK(g.add_edge(e.substr(0, gt), e.substr(gt + 1, colon - gt - 1), std::move(p)).ok());
    }
    return g;
}

// "id=score " with six significant digits.
static std::string str(const ScoreList& scores) {
    std::string out;
    for (const auto& [id, score] : scores) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "=%.6g ", score);
        out += std::string(id) + buf;
    }
    return out;
}
static std::string str(const Communities& groups) {
    std::string out;
    for (const auto& group : groups) {
        out += "[";
        for (auto id : group) out += std::string(id) + (id == group.back() ? "" : " ");
        out += "]";
    }
    return out;
}
static bool same_bits(const ScoreList& a, const ScoreList& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].first != b[i].first || std::memcmp(&a[i].second, &b[i].second, sizeof(double)) != 0) return false;
    return true;
}

static void test_pagerank_and_degrees() {
    PropertyGraph empty = make(true, "", "");
    CHECK(pagerank(empty, 0.85, 100).empty() && degree_centrality_scores(empty).empty());
    PropertyGraph one = make(true, "x", "");
    CHECK_EQ(str(pagerank(one, 0.85, 100)), "x=1 ");
    CHECK_EQ(str(in_degree_centrality(one)), "x=0 ");

    PropertyGraph ab = make(true, "a b", "a>b");
    CHECK_EQ(str(pagerank(ab, 0.85, 100)), "b=0.649123 a=0.350877 ");
    CHECK_EQ(str(in_degree_centrality(ab)), "b=1 a=0 ");
    CHECK_EQ(str(out_degree_centrality(ab)), "a=1 b=0 ");
    // Undirected: rank still flows along the stored direction only, while
    // in and out degree are the plain degree.
    PropertyGraph u = make(false, "a b", "a>b");
    CHECK_EQ(str(pagerank(u, 0.85, 100)), str(pagerank(ab, 0.85, 100)));
    CHECK_EQ(str(in_degree_centrality(u)), "a=1 b=1 ");
    CHECK_EQ(str(out_degree_centrality(u)), "a=1 b=1 ");

    PropertyGraph cab = make(true, "c a b", "");
    CHECK_EQ(str(pagerank(cab, 0.85, 0)), "c=0.333333 a=0.333333 b=0.333333 ");
    CHECK_EQ(str(degree_centrality_scores(cab)), "c=0 a=0 b=0 ");

    PropertyGraph loop = make(true, "a b", "a>a");
    CHECK_EQ(str(degree_centrality_scores(loop)), "a=2 b=0 ");
    CHECK_EQ(str(in_degree_centrality(loop)), "a=1 b=0 ");
    PropertyGraph uloop = make(false, "a b", "a>a a>b");
    CHECK_EQ(str(degree_centrality_scores(uloop)), "a=2 b=1 ");
}

static void test_paths_and_eigenvector() {
    PropertyGraph d = make(true, "a b c", "a>b b>c");
    CHECK_EQ(str(betweenness_centrality(d, true)), "b=0.5 a=0 c=0 ");
    CHECK_EQ(str(betweenness_centrality(d, false)), "b=1 a=0 c=0 ");
    CHECK_EQ(str(closeness_centrality(d)), "b=1 a=0.666667 c=0 ");
    PropertyGraph u = make(false, "a b c", "a>b b>c");
    CHECK_EQ(str(betweenness_centrality(u, true)), "b=1 a=0 c=0 ");
    CHECK_EQ(str(betweenness_centrality(u, false)), "b=1 a=0 c=0 ");
    CHECK_EQ(str(closeness_centrality(u)), "b=1 a=0.666667 c=0.666667 ");
    PropertyGraph u4 = make(false, "a b c d", "a>b b>c c>d");
    CHECK_EQ(str(betweenness_centrality(u4, true)), "b=0.666667 c=0.666667 a=0 d=0 ");
    // Parallel edges are distinct shortest paths: a=>b->c and a->d->c give
    // b two thirds of the a..c paths.
    PropertyGraph par = make(true, "a b c d", "a>b a>b b>c a>d d>c");
    CHECK_EQ(str(betweenness_centrality(par, false)), "b=0.666667 d=0.333333 a=0 c=0 ");

    PropertyGraph none = make(true, "a b", "");
    CHECK_EQ(str(eigenvector_centrality(none, 100, 1e-6)), "a=0 b=0 ");
    PropertyGraph tri = make(false, "a b c", "a>b b>c c>a");
    CHECK_EQ(str(eigenvector_centrality(tri, 100, 1e-6)), "a=0.57735 b=0.57735 c=0.57735 ");
    CHECK_EQ(str(eigenvector_centrality(d, 100, 1e-6)), "a=0 b=0 c=0 ");
    // The undirected path alternates between two vectors; the count of
    // iterations decides which one is returned, however large it is.
    CHECK_EQ(str(eigenvector_centrality(u, 100, 1e-6)), "a=0.57735 b=0.57735 c=0.57735 ");
    CHECK_EQ(str(eigenvector_centrality(u, 101, 1e-6)), "b=0.816497 a=0.408248 c=0.408248 ");
    for (uint64_t big : {UINT64_MAX, UINT64_MAX - 1})
        CHECK(same_bits(eigenvector_centrality(u, big, 0.0), eigenvector_centrality(u, 100 + big % 2, 0.0)));
}

// Huge iteration counts finish once the vector recurs and give exactly
// the result of running every iteration.
static void test_recurring_iterations() {
    // A step with a lead-in of 7 and a cycle of 5, against a plain loop.
    auto step = [](const std::vector<double>& x, std::vector<double>& next) {
        next[0] = x[0] < 7 ? x[0] + 1 : 7 + std::fmod(x[0] - 7 + 1, 5);
        return false;
    };
    for (uint64_t count = 0; count < 60; ++count) {
        std::vector<double> fast{0.0}, slow{0.0}, next{0.0};
        iterate_with_recurrence(fast, count, step);
        for (uint64_t i = 0; i < count; ++i) {
            step(slow, next);
            slow.swap(next);
        }
        CHECK_EQ(fast[0], slow[0]);
    }
    std::vector<double> x{0.0};
    iterate_with_recurrence(x, UINT64_MAX, step);
    CHECK_EQ(x[0], 7.0 + double((UINT64_MAX - 7) % 5));

    PropertyGraph g = make(true, "a b c d e", "a>b b>c c>a c>d d>e e>b a>e");
    const ScoreList ref = pagerank(g, 0.85, 3000);
    CHECK(same_bits(pagerank(g, 0.85, UINT64_MAX), ref));
    CHECK(same_bits(pagerank(g, 0.85, 3001), ref));
    CHECK(same_bits(eigenvector_centrality(g, UINT64_MAX, -1.0), eigenvector_centrality(g, 3000, -1.0)) ||
          same_bits(eigenvector_centrality(g, UINT64_MAX, -1.0), eigenvector_centrality(g, 3001, -1.0)));
}

// NaN scores sort after every number; equal scores and NaNs keep slot order.
static void test_nan_order() {
    PropertyGraph cab = make(true, "c a b", "a>b");
    ScoreList nan = pagerank(cab, std::nan(""), 5);
    CHECK_EQ(std::string(nan[0].first) + std::string(nan[1].first) + std::string(nan[2].first), std::string("cab"));
    // A chain of doubled links: path counts overflow to infinity after 1024
    // hops, and the dependencies built from them become NaN.
    std::string ids, edges;
    for (int i = 0; i < 1100; ++i) {
        ids += "n" + std::to_string(i) + " ";
        if (i) edges += "n" + std::to_string(i - 1) + ">n" + std::to_string(i) + " n" + std::to_string(i - 1) + ">n" +
                        std::to_string(i) + " ";
    }
    PropertyGraph chain = make(true, ids.c_str(), edges.c_str());
    ScoreList scores = betweenness_centrality(chain, true);
    size_t first_nan = 0;
    while (first_nan < scores.size() && !std::isnan(scores[first_nan].second)) ++first_nan;
    CHECK(first_nan > 0 && first_nan < scores.size());
    for (size_t i = 1; i < scores.size(); ++i) {
        if (i < first_nan) CHECK(!(scores[i - 1].second < scores[i].second));
        else CHECK(std::isnan(scores[i].second));
        if (i > first_nan || (i < first_nan && scores[i - 1].second == scores[i].second))
            CHECK(std::stoi(std::string(scores[i - 1].first.substr(1))) < std::stoi(std::string(scores[i].first.substr(1))));
    }
}

// The ranking of large score lists (a radix sort) against a stable sort by
// score_before, on lists full of ties, signed zeros, infinities, NaNs of
// both signs and neighbouring doubles, below and above the radix cut-over.
static void test_rank_by_score() {
    const double specials[] = {0.0, -0.0, 1.0, -1.0, std::nan(""), -std::nan(""), HUGE_VAL, -HUGE_VAL,
                               5e-324, -5e-324, std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0), 1e308, -1e308,
                               0.1, 1.0 / 3.0};
    uint64_t seed = 0x9e3779b97f4a7c15ull;
    auto next = [&] { return seed = seed * 6364136223846793005ull + 1442695040888963407ull; };
    for (size_t n : {0, 1, 7, 4095, 4096, 70000}) {
        for (int mix = 0; mix < 3; ++mix) {
            std::vector<double> score(n);
            for (double& x : score) {
                const uint64_t r = next() >> 11;
                if (mix == 0) x = specials[r % std::size(specials)];
                else if (mix == 1) x = double(r % 50) / 49.0;  // degree-like fractions, many ties
                else std::memcpy(&x, &(seed = next()), sizeof x);  // any bit pattern
            }
            std::vector<uint32_t> want(n);
            for (uint32_t i = 0; i < n; ++i) want[i] = i;
            std::stable_sort(want.begin(), want.end(),
                             [&](uint32_t a, uint32_t b) { return score_before(score[a], score[b]); });
            CHECK(rank_by_score(score) == want);
        }
    }
}

// Copies of one clique whose edges weigh w[0], w[1], w[2] in turn (node i
// of clique c is "c.i"), the cliques in a ring of links of integer weight
// `ring` (node 0 of each to node 1 of the next), then the chords.
struct Chord { int a, i, b, j, weight; };
static PropertyGraph clique_ring(int cliques, int size, const std::string (&w)[3], int ring,
                                 const std::vector<Chord>& chords) {
    auto id = [](int c, int i) { return std::to_string(c) + "." + std::to_string(i); };
    std::string ids, edges;
    for (int c = 0; c < cliques; ++c) {
        int k = 0;
        for (int i = 0; i < size; ++i) {
            ids += id(c, i) + " ";
            for (int j = i + 1; j < size; ++j) edges += id(c, i) + ">" + id(c, j) + ":" + w[k++ % 3] + " ";
        }
    }
    for (int c = 0; c < cliques; ++c) edges += id(c, 0) + ">" + id((c + 1) % cliques, 1) + ":" + std::to_string(ring) + " ";
    for (const Chord& x : chords) edges += id(x.a, x.i) + ">" + id(x.b, x.j) + ":" + std::to_string(x.weight) + " ";
    return make(false, ids.c_str(), edges.c_str());
}

static void test_louvain() {
    CHECK(louvain_core(make(false, "", "")).empty());
    CHECK_EQ(str(louvain_core(make(false, "b a", ""))), "[b][a]");
    CHECK_EQ(str(louvain_core(make(false, "b a c", "a>b:1 b>c:-1"))), "[b][a][c]");
    CHECK_EQ(str(louvain_core(make(false, "b a", "b>b a>a"))), "[a][b]");
    CHECK_EQ(str(louvain_core(make(false, "a b c d", "a>b c>d"))), "[a b][c d]");
    CHECK_EQ(str(louvain_core(make(false, "a b c", "a>b b>c"))), "[a b c]");
    CHECK_EQ(str(louvain_core(make(false, "a b c", "a>b b>c c>a"))), "[a b c]");
    CHECK_EQ(str(louvain_core(make(true, "z b c a x", "z>b b>z c>a a>c"))), "[a c][b z][x]");
    // Two dense groups joined by one light link.
    const char* groups = "a>b a>c b>c c>d:0.1 d>e d>f e>f";
    CHECK_EQ(str(louvain_core(make(true, "a b c d e f", groups))), "[a b c][d e f]");
    // A negative self-loop makes c swing between the other two nodes'
    // communities on every pass; the passes are capped, and the result is
    // still a partition.
    PropertyGraph swinging = make(false, "a b c", "c>b:2 b>a:3 c>a:1 c>c:-1");
    Communities swing = louvain_core(swinging);
    size_t members = 0;
    for (const auto& group : swing) members += group.size();
    CHECK_EQ(members, size_t(3));

    // Late passes visit only the nodes a move touched: the partition must
    // be the one that visiting every node gives. Sparse random graphs take
    // hundreds of passes at their second level; integer weights (negative
    // and zero ones, self-loops, parallel edges) keep the skipping on,
    // fractional ones turn it off.
    std::mt19937 rng(29);
    for (int round = 0; round < 60; ++round) {
        const int n = 2 + int(rng() % (round % 6 == 0 ? 3000 : 300));
        const int m = int(rng() % (5 * n));
        std::string ids, edges;
        for (int i = 0; i < n; ++i) ids += std::to_string(i) + " ";
        for (int k = 0; k < m; ++k) {
            edges += std::to_string(rng() % n) + ">" + std::to_string(rng() % n);
            if (round % 4 == 1) edges += ":" + std::to_string(int(rng() % 7) - 2);
            if (round % 4 == 2) edges += ":" + std::to_string(int(rng() % 3)) + (round % 8 == 2 ? ".5" : ".1");
            edges += " ";
        }
        PropertyGraph g = make(round % 5 == 0, ids.c_str(), edges.c_str());
        CHECK(louvain_core(g) == louvain_visiting_every_node(g));
    }

    // Integer rows need not mean exact strengths. Cliques of tenths merge
    // at the first level into nodes whose rows hold integer ring and chord
    // weights and sums of tenths that come to integers (0.9 + 0.1 + 0.9 +
    // 0.1 between the two 3.1 pairs of a four-node clique, 0.7 + 0.3
    // between a triangle's 3.3 pair and its third node), while their
    // strengths keep the tenths within. Taking such a node out of its
    // community and back can change the total in its last bit, which the
    // identical cliques' exact ties turn into a different move on a later
    // visit: the skipping must stay off there.
    const std::string tenths_a[3] = {"0.9", "3.1", "0.1"}, tenths_b[3] = {"3.3", "0.7", "0.3"};
    for (const PropertyGraph& g : {clique_ring(8, 4, tenths_a, 2, {{0, 2, 2, 2, 1}, {4, 2, 6, 2, 1}}),
                                   clique_ring(15, 3, tenths_b, 1, {{0, 2, 3, 2, 2}, {4, 2, 7, 2, 2}, {8, 2, 11, 2, 2},
                                                                    {12, 2, 0, 2, 2}})})
        CHECK(louvain_core(g) == louvain_visiting_every_node(g));
    // Random rings of such cliques: a drifted total meets a tie only
    // rarely, so many small ones.
    const char* tenth[] = {"1", "3", "7", "9"};
    for (int round = 0; round < 1000; ++round) {
        const int cliques = 3 + int(rng() % 20), size = 3 + int(rng() % 2), t = int(rng() % 4);
        // The first and last weights sum to an integer.
        const std::string w[3] = {std::to_string(rng() % 2) + "." + tenth[t],
                                  std::to_string(2 + rng() % 4) + "." + tenth[rng() % 4], std::string("0.") + tenth[3 - t]};
        const int ring = 1 + int(rng() % 2);
        std::vector<Chord> chords(rng() % (cliques + 1));
        for (Chord& x : chords)
            x = {int(rng() % cliques), int(rng() % size), int(rng() % cliques), int(rng() % size), 1 + int(rng() % 2)};
        PropertyGraph g = clique_ring(cliques, size, w, ring, chords);
        CHECK(louvain_core(g) == louvain_visiting_every_node(g));
    }
}

// Label propagation as its rules read: neighbour lists from the edge slots,
// sorted without repeats; every iteration copies the labels and counts
// each node's neighbour labels in a map; at most 100 iterations.
static Communities reference_label_propagation(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    std::vector<uint32_t> slot, pos(s.node_slots(), END);
    s.for_each_node([&](uint32_t n, const NodeData&) {
        pos[n] = uint32_t(slot.size());
        slot.push_back(n);
    });
    std::vector<std::vector<uint32_t>> nb(slot.size());
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        nb[pos[x.source]].push_back(pos[x.target]);
        nb[pos[x.target]].push_back(pos[x.source]);
    });
    for (auto& row : nb) {
        std::sort(row.begin(), row.end());
        row.erase(std::unique(row.begin(), row.end()), row.end());
    }
    std::vector<uint32_t> label(slot.size());
    for (uint32_t p = 0; p < label.size(); ++p) label[p] = p;
    for (int iteration = 0; iteration < 100; ++iteration) {
        std::vector<uint32_t> next = label;
        bool changed = false;
        for (uint32_t p = 0; p < label.size(); ++p) {
            if (nb[p].empty()) continue;
            std::map<uint32_t, uint32_t> count;
            for (uint32_t q : nb[p]) ++count[label[q]];
            uint32_t most = 0, best = 0;
            for (auto [l, c] : count)
                if (c > most) most = c, best = l;
            if ((count.count(label[p]) ? count[label[p]] : 0) != most) next[p] = best, changed = true;
        }
        label = next;
        if (!changed) break;
    }
    std::map<uint32_t, std::vector<std::string_view>> groups;
    for (uint32_t p = 0; p < label.size(); ++p) groups[label[p]].push_back(s.id_of(slot[p]));
    Communities out;
    for (auto& [l, members] : groups) {
        std::sort(members.begin(), members.end());
        out.push_back(members);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return out;
}

// Random graphs of shapes that settle and shapes that swing (trees, two-
// sided graphs, stars), with self-loops, repeated links, vacant and reused
// slots, on both kinds.
static void label_propagation_against_reference() {
    std::mt19937 rng(17);
    for (int round = 0; round < 600; ++round) {
        const uint32_t n = 1 + rng() % 40;
        PropertyGraph g(round % 2 == 0, true, "");
        for (uint32_t i = 0; i < n; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
        auto link = [&](uint32_t a, uint32_t b) {
            (void)g.add_edge("n" + std::to_string(a), "n" + std::to_string(b), {});
        };
        const int shape = round % 4;
        const uint32_t m = rng() % (2 * n + 1);
        for (uint32_t i = 1; i < n; ++i) {
            if (shape == 0) link(rng() % i, i);  // a tree
            if (shape == 1) link(0, i);          // a star
        }
        for (uint32_t i = 0; i < m; ++i) {
            const uint32_t a = rng() % n, b = rng() % n;
            if (shape == 2) link(a - a % 2, (b | 1) % n);  // two-sided
            if (shape == 3) link(a, b);
        }
        if (rng() % 3 == 0) link(rng() % n, rng() % n);  // maybe an odd link or a self-loop
        for (uint32_t i = 0; i < n / 6; ++i) (void)g.remove_node("n" + std::to_string(rng() % n));
        for (uint32_t i = 0; i < n / 6; ++i) (void)g.add_node("r" + std::to_string(i), {});
        for (uint32_t i = 0; i < n / 4; ++i) link(rng() % n, rng() % n);
        CHECK_EQ(str(label_propagation(g)), str(reference_label_propagation(g)));
    }
}

static void test_label_propagation() {
    CHECK(label_propagation(make(false, "", "")).empty());
    CHECK_EQ(str(label_propagation(make(false, "b a", ""))), "[a][b]");
    CHECK_EQ(str(label_propagation(make(false, "a b c d e f", "a>b b>c c>a d>e e>f f>d"))), "[a b c][d e f]");
    CHECK_EQ(str(label_propagation(make(false, "a b", "a>b"))), "[a][b]");
    CHECK_EQ(str(label_propagation(make(false, "a b c", "a>b b>c"))), "[a c][b]");
    CHECK_EQ(str(label_propagation(make(false, "x y1 y2 y3", "x>y1 x>y2 x>y3"))), "[x][y1 y2 y3]");
    CHECK_EQ(str(label_propagation(make(false, "a b", "a>b a>a b>b"))), "[a][b]");
    CHECK_EQ(str(label_propagation(make(false, "a b c d", "a>b b>c c>a c>d"))), "[a b c d]");
    // Repeated links, both directions and the graph kind make no difference.
    CHECK_EQ(str(label_propagation(make(true, "a b c d", "b>a a>b a>b b>c c>a c>d d>c"))), "[a b c d]");
}

int main() {
    test_pagerank_and_degrees();
    test_paths_and_eigenvector();
    test_recurring_iterations();
    test_nan_order();
    test_rank_by_score();
    test_louvain();
    test_label_propagation();
    label_propagation_against_reference();
    return check_summary("test_centrality_community");
}
