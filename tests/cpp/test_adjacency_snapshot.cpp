// The cached adjacency snapshot against the store's own linked lists, over
// random additions and removals (slot reuse included), on both graph kinds;
// that every change drops it; and that readers on several threads get one
// and the same build.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_adjacency_snapshot.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/graph/adjacency.hpp"
#include "core/algorithms/algorithms.hpp"

#include "check.hpp"

using namespace vg;

// The walk of the store itself, as (neighbour, edge) pairs per node slot.
static std::vector<std::vector<std::pair<uint32_t, uint32_t>>> walked(const GraphInner& s, Walk w) {
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> out(s.nodes.size());
    for (uint32_t n = 0; n < s.nodes.size(); ++n) {
        if (!s.node_live(n)) continue;
        auto add = [&](uint32_t e, uint32_t m) { out[n].emplace_back(m, e); };
        if (w == Walk::Out) s.walk_out(n, add);
        else if (w == Walk::In) s.walk_in(n, add);
        else if (w == Walk::Undirected) s.walk_undirected(n, add);
        else s.walk_neighbors(n, add);
    }
    return out;
}

static bool same_as_store(const PropertyGraph& g, Walk w) {
    const AdjacencyList& a = adjacency(g, w);
    auto want = walked(g.store(), w);
    if (a.first.size() != want.size() + 1) return false;
    for (uint32_t n = 0; n < want.size(); ++n) {
        if (a.degree(n) != want[n].size()) return false;
        for (size_t k = 0; k < want[n].size(); ++k)
            if (a.targets[a.begin(n) + k] != want[n][k].first || a.edges[a.begin(n) + k] != want[n][k].second) return false;
    }
    return a.generation == g.generation();
}

static Properties weight(double w) {
    Properties p;
    p.insert_or_assign("w", Value::number(Number::from_f64(w)));
    return p;
}

static void random_changes(bool directed, unsigned seed) {
    std::mt19937 rng(seed);
    PropertyGraph g(directed, true, "");
    const Walk walks[] = {Walk::Out, Walk::In, Walk::Undirected, Walk::Neighbors};
    for (int i = 0; i < 40; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
    for (int step = 0; step < 400; ++step) {
        std::string a = "n" + std::to_string(rng() % 48), b = "n" + std::to_string(rng() % 48);
        switch (rng() % 6) {
            case 0: (void)g.remove_node(a); break;
            case 1: (void)g.remove_edge(a, b); break;
            case 2: (void)g.add_node(a, {}); break;
            default: (void)g.add_edge(a, b, weight(double(rng() % 7) - 2.0)); break;
        }
        // Asked after some changes only, so several changes pile up between builds.
        if (step % 3) continue;
        for (Walk w : walks) CHECK(same_as_store(g, w));
        // Weights line up with the entries they belong to.
        const AdjacencyList& out = adjacency(g, Walk::Neighbors);
        EdgeWeights ws = walk_weights(g, Walk::Neighbors, "w");
        for (size_t i = 0; i < out.edges.size(); ++i)
            CHECK_EQ(ws[i], edge_weight(g.store().edges[out.edges[i]].data->properties, "w"));
        const EdgeArrays& live = live_edges(g);
        EdgeWeights lw = live_edge_weights(g, "w");
        CHECK_EQ(live.edge.size(), size_t(g.edge_count()));
        for (size_t i = 0; i < live.edge.size(); ++i) {
            const EdgeSlot& e = g.store().edges[live.edge[i]];
            CHECK(e.data && e.node[0] == live.source[i] && e.node[1] == live.target[i]);
            CHECK(i == 0 || live.edge[i - 1] < live.edge[i]);
            CHECK_EQ(lw[i], edge_weight(e.data->properties, "w"));
        }
    }
}

// Removals only, over self-loops and parallel edges: lists with gaps in
// their slot numbers and nodes whose lists empty out.
static void removals_only(bool directed, unsigned seed) {
    std::mt19937 rng(seed);
    PropertyGraph g(directed, true, "");
    for (int i = 0; i < 30; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
    for (int i = 0; i < 200; ++i) {
        std::string a = "n" + std::to_string(rng() % 30);
        CHECK(g.add_edge(a, rng() % 5 ? "n" + std::to_string(rng() % 30) : a, {}).ok());
    }
    for (int i = 0; i < 20; ++i) {
        (void)g.remove_edge("n" + std::to_string(rng() % 30), "n" + std::to_string(rng() % 30));
        if (i % 7 == 0) (void)g.remove_node("n" + std::to_string(rng() % 30));
        for (Walk w : {Walk::Out, Walk::In, Walk::Undirected, Walk::Neighbors}) CHECK(same_as_store(g, w));
    }
}

// Each change, including a refused one's absence, is seen by the next reader.
static void changes_drop_the_snapshot() {
    PropertyGraph g(true, false, "");
    CHECK(g.add_node("a", {}).ok());
    CHECK(g.add_node("b", {}).ok());
    CHECK(g.add_edge("a", "b", weight(2)).ok());
    const AdjacencyList* before = &adjacency(g, Walk::Out);
    CHECK_EQ(before->degree(0), 1u);
    CHECK(!g.add_edge("a", "b", {}).ok());  // refused: nothing changed
    CHECK(&adjacency(g, Walk::Out) == before);
    CHECK_EQ(walk_weights(g, Walk::Out, "w")[0], 2.0);

    uint64_t gen = g.generation();
    CHECK(g.remove_edge("a", "b").ok());
    CHECK(g.generation() > gen);
    CHECK_EQ(adjacency(g, Walk::Out).degree(0), 0u);
    CHECK(g.add_edge("a", "b", weight(5)).ok());  // reuses the freed slot
    CHECK_EQ(walk_weights(g, Walk::Out, "w")[0], 5.0);
    CHECK(g.set_node_property("a", "k", Value::null()).ok());
    CHECK_EQ(adjacency(g, Walk::Out).generation, g.generation());
    CHECK(g.remove_node("b").ok());
    CHECK_EQ(adjacency(g, Walk::In).targets.size(), size_t(0));
}

// Readers racing for the first build all get the single cached one.
static void concurrent_first_use() {
    PropertyGraph g(false, true, "");
    for (int i = 0; i < 2000; ++i) CHECK(g.add_node(std::to_string(i), {}).ok());
    for (int i = 0; i < 20000; ++i)
        CHECK(g.add_edge(std::to_string(i % 2000), std::to_string((i * 7919) % 2000), weight(i % 5)).ok());
    std::vector<const AdjacencyList*> seen(8);
    std::vector<double> sums(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            seen[t] = &adjacency(g, Walk::Neighbors);
            EdgeWeights w = walk_weights(g, Walk::Neighbors, "w");
            for (size_t i = 0; i < seen[t]->edges.size(); ++i) sums[t] += w[i];
        });
    for (auto& th : threads) th.join();
    for (int t = 1; t < 8; ++t) {
        CHECK(seen[t] == seen[0]);
        CHECK_EQ(sums[t], sums[0]);
    }
    CHECK(same_as_store(g, Walk::Neighbors));
}

int main() {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        random_changes(true, seed);
        random_changes(false, seed);
        removals_only(true, seed);
        removals_only(false, seed);
    }
    changes_drop_the_snapshot();
    concurrent_first_use();
    return check_summary("test_adjacency_snapshot");
}
