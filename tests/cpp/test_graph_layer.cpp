// The graph layer against a plain model of the store: random additions and
// removals concentrated on a few hubs, on both graph kinds, with and without
// parallel edges. After every step the slot numbers handed out (reuse of
// vacated slots), the node and edge lists, the pair lookup and every walk
// (lists in place, the resumable cursor, the snapshot in walk and slot
// order, its dense view and its weights) must match the model. Also: every
// change drops the snapshot, and readers racing for its first build share
// one.
#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/graph/adjacency.hpp"

#include "check.hpp"

using namespace vg;

namespace {

// The store as its rules read: slots in vectors, vacated slots reused last
// out first, each edge stamped with the time it was added; a walk lists a
// node's edges newest first.
struct Model {
    struct Edge {
        bool live;
        uint32_t source, target;
        uint64_t stamp;
    };
    bool directed, multi;
    std::vector<std::string> ids;  // "" marks a vacant slot (ids here are never empty)
    std::vector<Edge> edges;
    std::vector<uint32_t> free_nodes, free_edges;
    uint64_t clock = 0;

    uint32_t slot_of(const std::string& id) const {
        for (uint32_t n = 0; n < ids.size(); ++n)
            if (ids[n] == id) return n;
        return END;
    }
    // The newest a -> b edge; undirected, failing that, the newest b -> a.
    uint32_t find(uint32_t a, uint32_t b) const {
        for (int pass = 0; pass < (directed ? 1 : 2); ++pass) {
            uint32_t best = END;
            for (uint32_t e = 0; e < edges.size(); ++e) {
                const Edge& x = edges[e];
                bool match = pass == 0 ? x.source == a && x.target == b : x.source == b && x.target == a;
                if (x.live && match && (best == END || x.stamp > edges[best].stamp)) best = e;
            }
            if (best != END) return best;
        }
        return END;
    }
    uint32_t add_node(const std::string& id) {
        if (slot_of(id) != END) return END;
        uint32_t n;
        if (free_nodes.empty()) {
            n = uint32_t(ids.size());
            ids.emplace_back();
        } else {
            n = free_nodes.back();
            free_nodes.pop_back();
        }
        ids[n] = id;
        return n;
    }
    uint32_t add_edge(uint32_t a, uint32_t b) {
        if (!multi && find(a, b) != END) return END;
        uint32_t e;
        if (free_edges.empty()) {
            e = uint32_t(edges.size());
            edges.emplace_back();
        } else {
            e = free_edges.back();
            free_edges.pop_back();
        }
        edges[e] = {true, a, b, ++clock};
        return e;
    }
    void remove_edge(uint32_t e) {
        edges[e].live = false;
        free_edges.push_back(e);
    }
    void remove_node(uint32_t n) {
        for (Direction d : {Direction::Out, Direction::In})
            for (auto [e, other] : walk(n, d, RowOrder::Walk)) remove_edge(e);
        ids[n].clear();
        free_nodes.push_back(n);
    }
    // (edge, other end) of n's walk.
    std::vector<std::pair<uint32_t, uint32_t>> walk(uint32_t n, Direction d, RowOrder order) const {
        if (d == Direction::Neighbors) d = directed ? Direction::Out : Direction::Undirected;
        std::vector<uint32_t> mine;
        for (uint32_t e = 0; e < edges.size(); ++e)
            if (edges[e].live && (edges[e].source == n || edges[e].target == n)) mine.push_back(e);
        auto newest = [&](uint32_t a, uint32_t b) { return edges[a].stamp > edges[b].stamp; };
        if (order == RowOrder::Walk) std::sort(mine.begin(), mine.end(), newest);
        std::vector<std::pair<uint32_t, uint32_t>> out, in;
        for (uint32_t e : mine) {
            const Edge& x = edges[e];
            const bool loop = x.source == x.target;
            if (x.source == n && d != Direction::In) out.emplace_back(e, x.target);
            if (x.target == n && d != Direction::Out && !(loop && d == Direction::Undirected)) in.emplace_back(e, x.source);
            // In slot order both parts of a node interleave by edge slot.
            if (order == RowOrder::Slot) {
                out.insert(out.end(), in.begin(), in.end());
                in.clear();
            }
        }
        out.insert(out.end(), in.begin(), in.end());
        return out;
    }
};

Properties weighted(double w) {
    Properties p;
    p.insert_or_assign("w", Value::number(Number::from_f64(w)));
    return p;
}

const Direction kWalks[] = {Direction::Out, Direction::In, Direction::Undirected, Direction::Both,
                            Direction::Neighbors};

void compare(const PropertyGraph& g, const Model& m) {
    const GraphInner& s = g.store();
    std::vector<std::string_view> live_ids;
    for (const std::string& id : m.ids)
        if (!id.empty()) live_ids.emplace_back(id);
    CHECK(g.node_ids() == live_ids);
    std::vector<std::pair<std::string_view, std::string_view>> want_edges, got_edges;
    for (const Model::Edge& x : m.edges)
        if (x.live) want_edges.emplace_back(m.ids[x.source], m.ids[x.target]);
    for (const auto& e : g.edges()) got_edges.emplace_back(e.source, e.target);
    CHECK(got_edges == want_edges);
    const Positions& at = positions(s);
    for (Direction d : kWalks)
        for (RowOrder order : {RowOrder::Walk, RowOrder::Slot}) {
            const Rows& r = rows(s, d, order);
            const Rows& dense = dense_rows(s, d, order);
            const EdgeWeights w = entry_weights(s, d, order, "w");
            for (uint32_t n = 0; n < m.ids.size(); ++n) {
                if (m.ids[n].empty()) {
                    CHECK_EQ(r.degree(n), 0u);
                    continue;
                }
                const auto want = m.walk(n, d, order);
                std::vector<std::pair<uint32_t, uint32_t>> from_rows, from_dense;
                for (uint32_t i = r.begin(n); i < r.end(n); ++i) {
                    from_rows.emplace_back(r.edges[i], r.targets[i]);
                    CHECK_EQ(w[i], edge_weight(s.edge(r.edges[i]).properties, "w"));
                }
                const uint32_t p = at.pos[n];
                for (uint32_t i = dense.begin(p); i < dense.end(p); ++i)
                    from_dense.emplace_back(dense.edges[i], at.slot[dense.targets[i]]);
                CHECK(from_rows == want);
                CHECK(from_dense == want);
                if (order == RowOrder::Slot) continue;
                std::vector<std::pair<uint32_t, uint32_t>> listed, cursor;
                for_each_neighbor(s, n, d, [&](uint32_t e, uint32_t o) { listed.emplace_back(e, o); });
                NeighborCursor c(s, n, d);
                for (uint32_t e, o; c.next(e, o);) cursor.emplace_back(e, o);
                CHECK(listed == want);
                CHECK(cursor == want);
                CHECK_EQ(walk_length(s, n, d), uint64_t(want.size()));
            }
        }
    const EdgeList& list = edge_list(s);
    std::vector<uint32_t> live_edges;
    for (uint32_t e = 0; e < m.edges.size(); ++e)
        if (m.edges[e].live) live_edges.push_back(e);
    CHECK(std::vector<uint32_t>(list.edge.begin(), list.edge.end()) == live_edges);
}

void random_run(bool directed, bool multi, unsigned seed) {
    std::mt19937 rng(seed);
    PropertyGraph g(directed, multi, "");
    Model m{directed, multi, {}, {}, {}, {}, 0};
    auto id = [&] {
        // Half of all picks land on one of three hubs.
        const uint32_t k = rng() % 2 ? rng() % 3 : 3 + rng() % 37;
        return "n" + std::to_string(k);
    };
    for (int step = 0; step < 1500; ++step) {
        const std::string a = id(), b = id();
        const uint32_t sa = m.slot_of(a), sb = m.slot_of(b);
        switch (rng() % 10) {
            case 0: {  // a node with its edges
                auto r = g.remove_node(a);
                CHECK_EQ(r.ok(), sa != END);
                if (sa != END) m.remove_node(sa);
                break;
            }
            case 1:
            case 2: {  // the edge the pair lookup finds
                auto r = g.remove_edge(a, b);
                const uint32_t e = sa == END || sb == END ? END : m.find(sa, sb);
                CHECK_EQ(r.ok(), e != END);
                if (e != END) m.remove_edge(e);
                break;
            }
            case 3: {
                auto r = g.add_node(a, {});
                const uint32_t want = m.add_node(a);
                CHECK_EQ(r.ok() ? r.value() : END, want);
                break;
            }
            default: {
                auto r = g.add_edge(a, b, weighted(double(rng() % 7) - 2.0));
                const uint32_t want = sa == END || sb == END ? END : m.add_edge(sa, sb);
                CHECK_EQ(r.ok() ? r.value() : END, want);
                break;
            }
        }
        if (sa != END && sb != END && m.slot_of(a) == sa && m.slot_of(b) == sb) {
            const uint32_t e = m.find(sa, sb);
            CHECK_EQ(g.store().find_edge(sa, sb).value_or(END), e);
            CHECK_EQ(g.has_edge(a, b), e != END);
        }
        if (step % 25 == 0) compare(g, m);
    }
    compare(g, m);
}

// Each change, and no refused one, is seen by the next reader.
void changes_drop_the_snapshot() {
    PropertyGraph g(true, false, "");
    CHECK(g.add_node("a", {}).ok());
    CHECK(g.add_node("b", {}).ok());
    CHECK(g.add_edge("a", "b", weighted(2)).ok());
    const GraphInner& s = g.store();
    const Rows* before = &rows(s, Direction::Out);
    CHECK_EQ(before->degree(0), 1u);
    CHECK(!g.add_edge("a", "b", {}).ok());  // refused: nothing changed
    CHECK(&rows(s, Direction::Out) == before);
    CHECK(cached_rows(s, Direction::Out) == before);
    CHECK_EQ(entry_weights(s, Direction::Out, RowOrder::Walk, "w")[0], 2.0);

    const uint64_t gen = s.generation();
    CHECK(g.remove_edge("a", "b").ok());
    CHECK(s.generation() > gen);
    CHECK(cached_rows(s, Direction::Out) == nullptr);
    CHECK_EQ(rows(s, Direction::Out).degree(0), 0u);
    CHECK(g.add_edge("a", "b", weighted(5)).ok());  // reuses the freed slot
    CHECK_EQ(entry_weights(s, Direction::Out, RowOrder::Walk, "w")[0], 5.0);
    (void)rows(s, Direction::Out);
    CHECK(g.set_node_property("a", "k", Value::null()).ok());
    CHECK(cached_rows(s, Direction::Out) == nullptr);
    CHECK(g.remove_node("b").ok());
    CHECK_EQ(rows(s, Direction::In).targets.size(), size_t(0));
}

// Readers racing for the first build all get the single cached one.
void concurrent_first_use() {
    PropertyGraph g(false, true, "");
    for (int i = 0; i < 2000; ++i) CHECK(g.add_node(std::to_string(i), {}).ok());
    for (int i = 0; i < 20000; ++i)
        CHECK(g.add_edge(std::to_string(i % 2000), std::to_string((i * 7919) % 2000), weighted(i % 5)).ok());
    std::vector<const Rows*> seen(8);
    std::vector<double> sums(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            seen[t] = &rows(g.store(), Direction::Neighbors);
            EdgeWeights w = entry_weights(g.store(), Direction::Neighbors, RowOrder::Walk, "w");
            for (size_t i = 0; i < seen[t]->edges.size(); ++i) sums[t] += w[i];
        });
    for (auto& th : threads) th.join();
    for (int t = 1; t < 8; ++t) {
        CHECK(seen[t] == seen[0]);
        CHECK_EQ(sums[t], sums[0]);
    }
}

}  // namespace

int main() {
    for (unsigned seed = 1; seed <= 3; ++seed)
        for (bool directed : {true, false})
            for (bool multi : {true, false}) random_run(directed, multi, seed * 4 + directed * 2 + multi);
    changes_drop_the_snapshot();
    concurrent_first_use();
    return check_summary("test_graph_layer");
}
