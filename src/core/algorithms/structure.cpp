#include "structure.hpp"

#include <algorithm>
#include <limits>

#include "edge_cursor.hpp"

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

}  // namespace

std::vector<std::pair<std::string_view, std::string_view>> bridges(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const WalkMode mode = neighbor_mode(s);
    const size_t n = s.nodes.size();
    std::vector<Times> t(n);
    std::vector<EdgeCursor> stack;
    uint32_t clock = 0;
    for (uint32_t root = 0; root < n; ++root) {
        if (!s.node_live(root) || t[root].disc != NONE) continue;
        t[root].disc = clock++;
        stack.emplace_back(s, root);
        while (!stack.empty()) {
            size_t top = stack.size() - 1;
            uint32_t x = stack[top].node, e, y;
            if (stack[top].next(s, mode, e, y)) {
                if (top > 0 && y == stack[top - 1].node) continue;
                if (t[y].disc != NONE) {
                    t[x].low = std::min(t[x].low, t[y].disc);
                } else {
                    t[y].disc = clock++;
                    stack.emplace_back(s, y);
                }
                continue;
            }
            stack.pop_back();
            if (!stack.empty()) {
                uint32_t q = stack.back().node;
                t[q].low = std::min(t[q].low, t[x].low);
            }
        }
    }
    std::vector<std::pair<std::string_view, std::string_view>> out;
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!s.edge_live(e)) continue;
        uint32_t a = s.edges[e].node[0], b = s.edges[e].node[1];
        // p is the endpoint discovered first (the target on a tie).
        const Times& ta = t[a];
        const Times& tb = t[b];
        bool a_first = ta.disc < tb.disc;
        if ((a_first ? tb.low > ta.disc : ta.low > tb.disc)) out.emplace_back(s.id_of(a), s.id_of(b));
    }
    return out;
}

std::vector<std::string_view> articulation_points(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const WalkMode mode = any_direction_mode(s);
    const size_t n = s.nodes.size();
    struct Visit {
        uint32_t disc = NONE;  // NONE: not visited yet
        uint32_t low = 0;
        uint32_t parent = END;
    };
    std::vector<Visit> t(n);
    std::vector<uint8_t> marked(n, 0);
    struct Frame {
        EdgeCursor cursor;
        uint64_t children;
    };
    std::vector<Frame> stack;
    uint32_t timer = 0;
    for (uint32_t r = 0; r < n; ++r) {
        if (!s.node_live(r) || t[r].disc != NONE) continue;
        t[r].disc = t[r].low = timer++;
        stack.push_back({EdgeCursor(s, r), 0});
        while (!stack.empty()) {
            Frame& f = stack.back();
            uint32_t u = f.cursor.node, e, v;
            if (f.cursor.next(s, mode, e, v)) {
                if (t[v].disc == NONE) {
                    t[v].parent = u;
                    t[v].disc = t[v].low = timer++;
                    ++f.children;
                    stack.push_back({EdgeCursor(s, v), 0});
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
    }
    std::vector<std::string_view> out;
    for (uint32_t i = 0; i < n; ++i)
        if (marked[i]) out.push_back(s.id_of(i));
    std::stable_sort(out.begin(), out.end());
    return out;
}

bool is_bipartite(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const WalkMode mode = any_direction_mode(s);
    const size_t n = s.nodes.size();
    std::vector<uint8_t> colour(n, 0);
    std::vector<uint32_t> queue;
    for (uint32_t start = 0; start < n; ++start) {
        if (!s.node_live(start) || colour[start]) continue;
        colour[start] = 1;
        queue.assign(1, start);
        for (size_t head = 0; head < queue.size(); ++head) {
            uint32_t u = queue[head], e, w;
            uint8_t c = colour[u], other = c == 1 ? 2 : 1;
            EdgeCursor cur(s, u);
            while (cur.next(s, mode, e, w)) {
                if (colour[w] == 0) {
                    colour[w] = other;
                    queue.push_back(w);
                } else if (colour[w] == c) {
                    return false;
                }
            }
        }
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
