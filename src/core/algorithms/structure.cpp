#include "core/algorithms/structure.hpp"

#include <algorithm>
#include <limits>

#include "core/graph/edge_cursor.hpp"

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

// Every node's neighbours with direction ignored, packed row by row: each
// edge appears at both of its ends, a self-loop once. Built by two passes
// over the edge slots in order, which reads memory far faster than
// following each node's lists; for the searches whose answer does not
// depend on the order in which a node's edges are met.
struct Rows {
    std::vector<uint32_t> first;  // row of v: other[first[v] .. first[v + 1])
    std::vector<uint32_t> other;

    explicit Rows(const GraphInner& s) : first(s.nodes.size() + 1, 0) {
        for (const EdgeSlot& e : s.edges) {
            if (!e.data) continue;
            ++first[e.node[0] + 1];
            if (e.node[1] != e.node[0]) ++first[e.node[1] + 1];
        }
        for (size_t v = 0; v + 1 < first.size(); ++v) first[v + 1] += first[v];
        other.resize(first.back());
        std::vector<uint32_t> fill(first.begin(), first.end() - 1);
        for (const EdgeSlot& e : s.edges) {
            if (!e.data) continue;
            other[fill[e.node[0]]++] = e.node[1];
            if (e.node[1] != e.node[0]) other[fill[e.node[1]]++] = e.node[0];
        }
    }
};

struct RowCursor {
    uint32_t node, pos, end;
    RowCursor(const Rows& r, uint32_t v) : node(v), pos(r.first[v]), end(r.first[v + 1]) {}
};

// Discovery times and low values of Tarjan's bridge search; `next` gives
// a node's next neighbour from its cursor, `make` a node's first cursor.
template <class Cursor, class Next>
std::vector<Times> bridge_times(const GraphInner& s, Next&& next, auto&& make) {
    const size_t n = s.nodes.size();
    std::vector<Times> t(n);
    std::vector<Cursor> stack;
    uint32_t clock = 0;
    for (uint32_t root = 0; root < n; ++root) {
        if (!s.node_live(root) || t[root].disc != NONE) continue;
        t[root].disc = clock++;
        stack.push_back(make(root));
        while (!stack.empty()) {
            size_t top = stack.size() - 1;
            uint32_t x = stack[top].node, y;
            if (next(stack[top], y)) {
                if (top > 0 && y == stack[top - 1].node) continue;
                if (t[y].disc != NONE) {
                    t[x].low = std::min(t[x].low, t[y].disc);
                } else {
                    t[y].disc = clock++;
                    stack.push_back(make(y));
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
    return t;
}

}  // namespace

std::vector<std::pair<std::string_view, std::string_view>> bridges(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    std::vector<Times> t;
    if (s.is_directed()) {
        // Outgoing edges only, newest first: here the order decides the answer.
        t = bridge_times<EdgeCursor>(
            s, [&](EdgeCursor& c, uint32_t& y) { uint32_t e; return c.next(s, WalkMode::Out, e, y); },
            [&](uint32_t v) { return EdgeCursor(s, v); });
    } else {
        // Every incident edge, in any order: the bridges of an undirected
        // graph (parallel edges counted as one link) do not depend on it.
        Rows rows(s);
        t = bridge_times<RowCursor>(
            s,
            [&](RowCursor& c, uint32_t& y) {
                if (c.pos == c.end) return false;
                y = rows.other[c.pos++];
                return true;
            },
            [&](uint32_t v) { return RowCursor(rows, v); });
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
    const Rows rows(s);  // direction ignored; the cut vertices do not depend on edge order
    const size_t n = s.nodes.size();
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
    for (uint32_t r = 0; r < n; ++r) {
        if (!s.node_live(r) || t[r].disc != NONE) continue;
        t[r].disc = t[r].low = timer++;
        stack.push_back({RowCursor(rows, r), 0});
        while (!stack.empty()) {
            Frame& f = stack.back();
            uint32_t u = f.cursor.node;
            if (f.cursor.pos != f.cursor.end) {
                uint32_t v = rows.other[f.cursor.pos++];
                if (t[v].disc == NONE) {
                    t[v].parent = u;
                    t[v].disc = t[v].low = timer++;
                    ++f.children;
                    stack.push_back({RowCursor(rows, v), 0});
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
