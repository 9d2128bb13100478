#include "core/algorithms/structure.hpp"

#include <algorithm>
#include <limits>
#include <optional>

#include "core/graph/adjacency.hpp"
#include "core/support/parity_sets.hpp"

namespace vg {

namespace {

// Discovery times and low values count nodes, so 32 bits hold them; NONE
// is above every time. Both of a node sit together: the searches read them
// in random order, one cache line per node is what they cost.
constexpr uint32_t NONE = std::numeric_limits<uint32_t>::max();
struct Times {
    uint32_t disc = NONE;
    uint32_t low = NONE;
};

struct RowCursor {
    uint32_t node, pos, end;
    RowCursor(const Rows& r, uint32_t v) : node(v), pos(r.begin(v)), end(r.end(v)) {}
};

// Discovery times and low values of Tarjan's bridge search over `adj`.
std::vector<Times> bridge_times(const GraphInner& s, const Rows& adj) {
    std::vector<Times> t(s.node_slots());
    std::vector<RowCursor> stack;
    uint32_t clock = 0;
    s.for_each_node([&](uint32_t root, const NodeData&) {
        if (t[root].disc != NONE) return;
        t[root].disc = clock++;
        stack.emplace_back(adj, root);
        while (!stack.empty()) {
            RowCursor& c = stack.back();
            const uint32_t x = c.node;
            if (c.pos != c.end) {
                const uint32_t y = adj.targets[c.pos++];
                if (stack.size() > 1 && y == stack[stack.size() - 2].node) continue;
                if (t[y].disc != NONE) {
                    t[x].low = std::min(t[x].low, t[y].disc);
                } else {
                    t[y].disc = clock++;
                    stack.emplace_back(adj, y);
                }
                continue;
            }
            stack.pop_back();
            if (!stack.empty()) {
                uint32_t q = stack.back().node;
                t[q].low = std::min(t[q].low, t[x].low);
            }
        }
    });
    return t;
}

}  // namespace

std::vector<std::pair<std::string_view, std::string_view>> bridges(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    // Directed: outgoing edges only, newest first; here the order decides
    // the answer. Undirected: every incident edge, in any order, as the
    // bridges (parallel edges counted as one link) do not depend on it.
    const std::vector<Times> t = bridge_times(
        s, s.is_directed() ? rows(s, Direction::Out) : rows(s, Direction::Undirected, RowOrder::Slot));
    std::vector<std::pair<std::string_view, std::string_view>> out;
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        // p is the endpoint discovered first (the target on a tie).
        const Times& ta = t[x.source];
        const Times& tb = t[x.target];
        const bool a_first = ta.disc < tb.disc;
        if (a_first ? tb.low > ta.disc : ta.low > tb.disc) out.emplace_back(s.id_of(x.source), s.id_of(x.target));
    });
    return out;
}

std::vector<std::string_view> articulation_points(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    // Direction ignored; the cut vertices do not depend on edge order.
    const Rows& adj = rows(s, Direction::Undirected, RowOrder::Slot);
    const size_t n = s.node_slots();
    struct Visit {
        uint32_t disc = NONE;  // NONE: not visited yet
        uint32_t low = 0;
        uint32_t parent = END;
    };
    std::vector<Visit> t(n);
    std::vector<uint8_t> marked(n, 0);
    struct Frame {
        RowCursor cursor;
        uint64_t children;
    };
    std::vector<Frame> stack;
    uint32_t timer = 0;
    s.for_each_node([&](uint32_t r, const NodeData&) {
        if (t[r].disc != NONE) return;
        t[r].disc = t[r].low = timer++;
        stack.push_back({RowCursor(adj, r), 0});
        while (!stack.empty()) {
            Frame& f = stack.back();
            uint32_t u = f.cursor.node;
            if (f.cursor.pos != f.cursor.end) {
                uint32_t v = adj.targets[f.cursor.pos++];
                if (t[v].disc == NONE) {
                    t[v].parent = u;
                    t[v].disc = t[v].low = timer++;
                    ++f.children;
                    stack.push_back({RowCursor(adj, v), 0});
                } else if (v != t[u].parent) {
                    t[u].low = std::min(t[u].low, t[v].disc);
                }
                continue;
            }
            uint64_t children = f.children;
            stack.pop_back();
            if (!stack.empty()) {
                uint32_t p = stack.back().cursor.node;
                t[p].low = std::min(t[p].low, t[u].low);
                if (t[p].parent != END && t[u].low >= t[p].disc) marked[p] = 1;
            } else if (children >= 2) {
                marked[u] = 1;
            }
        }
    });
    std::vector<std::string_view> out;
    for (uint32_t i = 0; i < n; ++i)
        if (marked[i]) out.push_back(s.id_of(i));
    std::stable_sort(out.begin(), out.end());
    return out;
}

namespace {

// Breadth-first two-colouring from the lowest slots over the lists in
// place, for at most `budget` neighbour steps: the answer, or nothing when
// the budget ran out first. Finds an odd cycle near those slots without a
// pass over every edge.
std::optional<bool> colour_near_low_slots(const GraphInner& s, uint64_t budget) {
    std::vector<uint8_t> colour(s.node_slots(), 0);
    std::vector<uint32_t> queue;
    uint64_t steps = 0;
    bool two_colours = true;
    for (uint32_t start = 0; start < s.node_slots() && two_colours; ++start) {
        if (!s.node_live(start) || colour[start]) continue;
        colour[start] = 1;
        queue.assign(1, start);
        for (size_t head = 0; head < queue.size() && two_colours; ++head) {
            if (steps > budget) return std::nullopt;
            const uint32_t u = queue[head];
            const uint8_t c = colour[u], other = c == 1 ? 2 : 1;
            for_each_neighbor(s, u, Direction::Undirected, [&](uint32_t, uint32_t w) {
                ++steps;
                if (colour[w] == 0) {
                    colour[w] = other;
                    queue.push_back(w);
                } else if (colour[w] == c) {
                    two_colours = false;
                }
            });
        }
    }
    return two_colours;
}

}  // namespace

bool is_bipartite(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    // Direction and edge order do not matter: the graph is two-colourable
    // exactly when no cycle (a self-loop included) is odd. A short search
    // first, since an odd cycle is often met within a few steps; else one
    // pass over the edge slots, which streams where a search over every
    // node would jump around memory, and needs no snapshot.
    if (std::optional<bool> early = colour_near_low_slots(s, s.edge_count() / 32)) return *early;
    ParitySets sets(s.node_slots());
    // Set entries are asked for a few edges ahead: the lookups are random.
    constexpr uint32_t kAhead = 16;
    const uint32_t slots = s.edge_slots();
    for (uint32_t e = 0; e < slots; ++e) {
        if (e + kAhead < slots) {
            const EdgeEnds ahead = s.ends(e + kAhead);
            if (ahead.source != END) {
                sets.prefetch(ahead.source);
                sets.prefetch(ahead.target);
            }
        }
        const EdgeEnds x = s.ends(e);
        if (x.source != END && !sets.join_apart(x.source, x.target)) return false;
    }
    return true;
}

double density(const PropertyGraph& g) {
    uint64_t n = g.node_count();
    if (n < 2) return 0.0;
    double nodes = double(n);
    double edges = double(g.edge_count());
    double pairs = (nodes - 1.0) * nodes;
    return g.directed() ? edges / pairs : (edges + edges) / pairs;
}

}  // namespace vg
