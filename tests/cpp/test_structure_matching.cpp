// Both matchings against literal transcriptions: the greedy walk over the
// lists in place, and Gabow's search (all labels cleared before each
// search, every outer vertex re-pointed after each blossom, no tree
// skipped) started from that walk's matching: the engine's shortcuts must
// give the very same pairs. Also the interrupt hook of the long searches.
#include <random>
#include <string>
#include <vector>

#include "core/algorithms/cliques.hpp"
#include "core/graph/adjacency.hpp"
#include "core/algorithms/matching.hpp"

#include "check.hpp"

using namespace vg;

namespace {

// Labels: 0 none, 1 start, 2 vertex (a), 3 edge (a, b), 4 flag (e).
struct Literal {
    const GraphInner& s;
    uint32_t n, dummy;
    std::vector<uint32_t> mate, first;
    std::vector<int> kind;
    std::vector<uint32_t> la, lb, le;
    std::vector<char> visited;
    std::vector<uint32_t> queue;

    explicit Literal(const GraphInner& g, std::vector<uint32_t> greedy)
        : s(g), n(uint32_t(g.node_slots())), dummy(n), mate(std::move(greedy)), first(n + 1, END) {
        mate.push_back(END);
    }
    bool outer(uint32_t v) const { return kind[v] >= 1 && kind[v] <= 3; }
    uint32_t next_on_path(uint32_t r) const { return first[la[mate[r]]]; }
    void enqueue(uint32_t v) {
        if (!visited[v]) visited[v] = 1, queue.push_back(v);
    }
    void rematch(uint32_t v, uint32_t w) {  // R(v, w), recursive as written
        uint32_t t = mate[v];
        mate[v] = w;
        if (t == END || mate[t] != v) return;
        if (kind[v] == 2) {
            mate[t] = la[v];
            rematch(la[v], t);
        } else {
            uint32_t x = la[v], y = lb[v];
            rematch(x, y);
            rematch(y, x);
        }
    }
    void blossom(uint32_t x, uint32_t y, uint32_t e) {
        uint32_t r = first[x], t = first[y];
        if (r == t) return;
        kind[r] = kind[t] = 4;
        le[r] = le[t] = e;
        uint32_t join;
        for (;;) {
            if (t != dummy) std::swap(r, t);
            r = next_on_path(r);
            if (kind[r] == 4 && le[r] == e) {
                join = r;
                break;
            }
            kind[r] = 4;
            le[r] = e;
        }
        for (uint32_t end : {x, y})
            for (uint32_t v = first[end]; v != join;) {
                enqueue(v);
                uint32_t next = next_on_path(v);
                kind[v] = 3, la[v] = x, lb[v] = y, le[v] = e;
                first[v] = join;
                v = next;
            }
        for (uint32_t i = 0; i < n; ++i)
            if (outer(i) && outer(first[i])) first[i] = join;
    }
    void search(uint32_t root) {
        kind.assign(n + 1, 0), la.assign(n + 1, END), lb.assign(n + 1, END), le.assign(n + 1, END);
        visited.assign(n + 1, 0), queue.clear();
        kind[root] = 1, first[root] = dummy;
        enqueue(root);
        for (size_t head = 0; head < queue.size(); ++head) {
            uint32_t x = queue[head], e, y;
            NeighborCursor cur(s, x, Direction::Neighbors);
            while (cur.next(e, y)) {
                if (y == x) continue;
                if (mate[y] == END && y != root) {
                    mate[y] = x;
                    rematch(x, y);
                    return;
                }
                if (outer(y)) {
                    blossom(x, y, e);
                    continue;
                }
                uint32_t v = mate[y] == END ? dummy : mate[y];
                if (!outer(v)) kind[v] = 2, la[v] = x, first[v] = y;
                if (v != dummy) enqueue(v);
            }
        }
    }
};

// The greedy walk as its rules read: from each unvisited live slot, step to
// the first unvisited neighbour in walk order until there is none, pairing
// the walk's first and second node, third and fourth, and so on.
std::vector<uint32_t> literal_greedy(const GraphInner& s) {
    std::vector<uint32_t> mate(s.node_slots(), END);
    std::vector<char> visited(s.node_slots(), 0);
    for (uint32_t start = 0; start < s.node_slots(); ++start) {
        if (!s.node_live(start) || visited[start]) continue;
        visited[start] = 1;
        std::vector<uint32_t> walk{start};
        for (bool moved = true; moved;) {
            moved = false;
            for_each_neighbor(s, walk.back(), Direction::Neighbors, [&](uint32_t, uint32_t w) {
                if (moved || visited[w]) return;
                visited[w] = 1;
                walk.push_back(w);
                moved = true;
            });
        }
        for (size_t i = 0; i + 1 < walk.size(); i += 2) mate[walk[i]] = walk[i + 1], mate[walk[i + 1]] = walk[i];
    }
    return mate;
}

NodePairs pairs_of(const std::vector<uint32_t>& mate) {
    NodePairs out;
    for (uint32_t i = 0; i < mate.size(); ++i)
        if (mate[i] != END && mate[i] > i) out.emplace_back(i, mate[i]);
    return out;
}

NodePairs literal_maximum_matching(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    Literal lit(s, literal_greedy(s));
    for (uint32_t root = 0; root < lit.n; ++root)
        if (s.node_live(root) && lit.mate[root] == END) lit.search(root);
    lit.mate.pop_back();
    return pairs_of(lit.mate);
}

PropertyGraph random_graph(std::mt19937& rng, uint32_t n, uint32_t m, bool directed) {
    PropertyGraph g(directed, true, "");
    for (uint32_t i = 0; i < n; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
    for (uint32_t i = 0; i < m; ++i)
        CHECK(g.add_edge("n" + std::to_string(rng() % n), "n" + std::to_string(rng() % n), {}).ok());
    for (uint32_t i = 0; i < n / 8; ++i) (void)g.remove_node("n" + std::to_string(rng() % n));  // vacant slots
    // Edges into reused slots: newer edges no longer sit in higher slots.
    std::vector<std::string_view> live = g.node_ids();
    for (uint32_t i = 0; i < m / 8 && !live.empty(); ++i)
        CHECK(g.add_edge(live[rng() % live.size()], live[rng() % live.size()], {}).ok());
    return g;
}

struct CountingPoll {
    int calls = 0;
    int stop_at;
    static bool poll(void* self) {
        auto* p = static_cast<CountingPoll*>(self);
        return ++p->calls >= p->stop_at;
    }
};

template <class F>
bool interrupted(F&& f) {
    try {
        f();
    } catch (const Interrupted&) {
        return true;
    }
    return false;
}

}  // namespace

int main() {
    std::mt19937 rng(2024);
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        uint32_t n = 2 + rng() % (round % 10 == 0 ? 400 : 40);
        uint32_t m = rng() % (3 * n);
        PropertyGraph g = random_graph(rng, n, m, round % 3 == 0);
        CHECK(greedy_matching(g) == pairs_of(literal_greedy(g.store())));
        NodePairs got = maximum_matching(g), want = literal_maximum_matching(g);
        CHECK(got == want);
        compared += got == want;
    }
    CHECK_EQ(compared, 4000);

    // The hook is polled while the searches run and stops them when it says so.
    PropertyGraph dense(false, false, "");
    for (int i = 0; i < 60; ++i) CHECK(dense.add_node(std::to_string(i), {}).ok());
    for (int i = 0; i < 60; ++i)
        for (int j = i + 1; j < 60; ++j)
            if (j != i + 1 || i % 2) CHECK(dense.add_edge(std::to_string(i), std::to_string(j), {}).ok());
    CountingPoll keep_going{0, 1 << 30};
    Interrupt never{&CountingPoll::poll, &keep_going};
    CHECK(maximal_cliques(dense, 60, 5000, &never).value().size() == 5000);
    CHECK(keep_going.calls > 0);
    CountingPoll stop{0, 3};
    Interrupt soon{&CountingPoll::poll, &stop};
    CHECK(interrupted([&] { k_clique_communities(dense, 31, &soon); }));
    CHECK_EQ(stop.calls, 3);
    std::mt19937 big(5);
    PropertyGraph sparse = random_graph(big, 200000, 300000, false);
    CountingPoll stop_matching{0, 2};
    Interrupt hook{&CountingPoll::poll, &stop_matching};
    CHECK(interrupted([&] { maximum_matching(sparse, &hook); }));
    return check_summary("test_structure_matching");
}
