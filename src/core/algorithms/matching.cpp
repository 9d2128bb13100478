#include "core/algorithms/matching.hpp"

#include <utility>

#include "core/graph/adjacency.hpp"
#include "core/support/prefetch.hpp"

namespace vg {

namespace {

// Candidates of a walk step whose rows are asked for ahead.
constexpr uint32_t kCandidatesAhead = 4;

// mate[v] is v's partner or END.
std::vector<uint32_t> greedy_mates(const GraphInner& s) {
    const Rows& adj = rows(s, Direction::Neighbors);
    const size_t n = s.node_slots();
    std::vector<uint32_t> mate(n, END);
    std::vector<uint8_t> visited(n, 0);
    const uint32_t* first = adj.first.data();
    const uint32_t* targets = adj.targets.data();
    // A vacant slot has an empty row: its walk ends at once, unmatched, and
    // no row lists it, so its records need not be read.
    for (uint32_t start = 0; start < n; ++start) {
        if (visited[start]) continue;
        visited[start] = 1;
        uint32_t pending = start, current = start;
        for (;;) {
            // Each step waits on the row of the node just reached. The rows
            // of the next candidates are asked for while their marks are
            // read: their starts are near (the start array is small and
            // mostly cached), their rows far, so the far wait overlaps.
            const uint32_t begin = first[current], end = first[current + 1];
            for (uint32_t i = begin; i < end && i < begin + kCandidatesAhead; ++i)
                prefetch_read(&targets[first[targets[i]]]);
            uint32_t w = END;
            for (uint32_t i = begin; i < end; ++i)
                if (!visited[targets[i]]) {
                    w = targets[i];
                    break;
                }
            if (w == END) break;
            visited[w] = 1;
            if (pending != END) {
                mate[pending] = w;
                mate[w] = pending;
                pending = END;
            } else {
                pending = w;
            }
            current = w;
        }
    }
    return mate;
}

NodePairs pairs_of(const std::vector<uint32_t>& mate) {
    NodePairs out;
    for (uint32_t i = 0; i < mate.size(); ++i)
        if (mate[i] != END && mate[i] > i) out.emplace_back(i, mate[i]);
    return out;
}

// Gabow (1976), "An efficient implementation of Edmonds' algorithm for
// maximum matching on graphs". Vertices are node slots plus one dummy
// vertex D = the slot count, standing for "no vertex": the first
// non-outer vertex of the search root, and the end of every path.
class Gabow {
public:
    Gabow(const GraphInner& s, std::vector<uint32_t> mate, const Interrupt* interrupt)
        : s_(s),
          adj_(rows(s, Direction::Neighbors)),
          dummy_(s.node_slots()),
          mate_(std::move(mate)),
          label_(size_t(dummy_) + 1),
          first_(size_t(dummy_) + 1, END),
          visited_(size_t(dummy_) + 1, 0),
          dead_(s.is_directed() ? 0 : dummy_, 0),
          check_(interrupt) {
        mate_.push_back(END);
    }

    std::vector<uint32_t> run() {
        for (uint32_t root = 0; root < dummy_; ++root) {
            if (mate_[root] != END || !s_.node_live(root)) continue;
            if (!search(root)) retire_tree();
            reset();
        }
        mate_.pop_back();
        return std::move(mate_);
    }

private:
    enum class Kind : uint8_t { None, Start, Vertex, Edge, Flag };
    // Vertex: a = the outer vertex that labelled it. Edge: (a, b) = the
    // ends of the edge that closed the blossom, in scan order. Flag and
    // Edge: edge = that edge's slot.
    struct Label {
        Kind kind = Kind::None;
        uint32_t a = END, b = END, edge = END;
    };

    bool outer(uint32_t v) const {
        Kind k = label_[v].kind;
        return k == Kind::Start || k == Kind::Vertex || k == Kind::Edge;
    }
    void set_label(uint32_t v, Label l) {
        if (label_[v].kind == Kind::None) touched_.push_back(v);
        label_[v] = l;
    }
    void enqueue(uint32_t v) {
        if (visited_[v]) return;
        visited_[v] = 1;
        queue_.push_back(v);
    }
    // Labels and queue marks of this search only, so a search costs what it
    // explores rather than the whole graph.
    void reset() {
        for (uint32_t v : touched_) {
            label_[v] = Label{};
            visited_[v] = 0;
        }
        touched_.clear();
        queue_.clear();
        inner_.clear();
    }
    // After a search that found no augmenting path on the undirected kind,
    // its tree is closed: every edge of an outer vertex leads to a vertex of
    // the tree, each inner vertex is matched to an outer one, and no later
    // augmentation changes the matching inside it (Edmonds' Hungarian tree).
    // A later search entering it can only label vertices of the tree, and
    // those labels never reach back outside, so skipping the tree changes
    // nothing but the time spent there.
    void retire_tree() {
        if (dead_.empty()) return;
        for (uint32_t v : queue_) dead_[v] = 1;
        for (uint32_t v : inner_) dead_[v] = 1;
    }
    // FIRST(v) of an outer vertex: its first non-outer vertex on the path
    // to the root. Gabow re-points every outer vertex after each blossom
    // whose FIRST was just labelled outer (to the blossom's join), which
    // costs a pass over all outer vertices per blossom. Here the pointer is
    // followed on read instead: a vertex labelled by a blossom points at
    // that join, so following pointers through outer vertices reaches the
    // value Gabow's pass would have stored, which is then stored.
    uint32_t first(uint32_t v) {
        uint32_t r = first_[v];
        if (!outer(r)) return r;
        uint32_t target = r;
        while (outer(target)) target = first_[target];
        while (outer(r)) r = std::exchange(first_[r], target);
        first_[v] = target;
        return target;
    }
    // The next non-outer vertex on the path after non-outer vertex r.
    uint32_t step(uint32_t r) {
        uint32_t m = mate_[r];
        if (m == END || label_[m].kind != Kind::Vertex) internal_failure("matching search: path left the search tree");
        return first(label_[m].a);
    }

    // True when the matching grew.
    bool search(uint32_t root) {
        set_label(root, {Kind::Start});
        first_[root] = dummy_;
        enqueue(root);
        for (size_t head = 0; head < queue_.size(); ++head) {
            const uint32_t x = queue_[head];
            for (uint32_t i = adj_.begin(x), end = adj_.end(x); i < end; ++i) {
                const uint32_t y = adj_.targets[i], e = adj_.edges[i];
                check_.tick();
                if (y == x || (!dead_.empty() && dead_[y])) continue;
                if (mate_[y] == END && y != root) {
                    mate_[y] = x;
                    rematch(x, y);
                    return true;
                }
                if (outer(y)) {
                    blossom(x, y, e);
                    continue;
                }
                if (!dead_.empty()) inner_.push_back(y);
                uint32_t v = mate_[y] == END ? dummy_ : mate_[y];
                if (!outer(v)) {
                    set_label(v, {Kind::Vertex, x});
                    first_[v] = y;
                }
                if (v != dummy_) enqueue(v);
            }
        }
        return false;
    }

    // Edge xy joins two outer vertices: label the non-outer vertices of the
    // paths from x and y up to their first common one (the join).
    void blossom(uint32_t x, uint32_t y, uint32_t e) {
        uint32_t r = first(x), t = first(y);
        if (r == t) return;
        const Label flag{Kind::Flag, END, END, e};
        set_label(r, flag);
        set_label(t, flag);
        uint32_t join;
        for (;;) {
            if (t != dummy_) std::swap(r, t);
            r = step(r);
            if (label_[r].kind == Kind::Flag && label_[r].edge == e) {
                join = r;
                break;
            }
            set_label(r, flag);
        }
        const Label edge_label{Kind::Edge, x, y, e};
        for (uint32_t end : {x, y}) {
            for (uint32_t v = first(end); v != join;) {
                enqueue(v);
                uint32_t next = step(v);
                set_label(v, edge_label);
                first_[v] = join;
                v = next;
            }
        }
    }

    // Gabow's R(v, w): v takes w as its partner and the path behind v is
    // rematched. Pending calls sit on a stack; the recursion's calls have
    // nothing left to do after their inner calls, so running them in LIFO
    // order is the recursion's order exactly.
    void rematch(uint32_t v0, uint32_t w0) {
        std::vector<std::pair<uint32_t, uint32_t>> calls{{v0, w0}};
        while (!calls.empty()) {
            auto [v, w] = calls.back();
            calls.pop_back();
            uint32_t t = mate_[v];
            mate_[v] = w;
            if (t == END || mate_[t] != v) continue;
            const Label& l = label_[v];
            if (l.kind == Kind::Vertex) {
                mate_[t] = l.a;
                calls.emplace_back(l.a, t);
            } else if (l.kind == Kind::Edge) {
                calls.emplace_back(l.b, l.a);
                calls.emplace_back(l.a, l.b);
            } else {
                internal_failure("matching augmentation: unlabelled vertex on the path");
            }
        }
    }

    const GraphInner& s_;
    const Rows& adj_;
    const uint32_t dummy_;
    std::vector<uint32_t> mate_;
    std::vector<Label> label_;
    std::vector<uint32_t> first_;
    std::vector<uint8_t> visited_;
    std::vector<uint8_t> dead_;  // vertices of closed trees; undirected kind only
    std::vector<uint32_t> inner_;
    std::vector<uint32_t> touched_;
    std::vector<uint32_t> queue_;
    InterruptCheck check_;
};

}  // namespace

NodePairs greedy_matching(const PropertyGraph& g) { return pairs_of(greedy_mates(g.store())); }

NodePairs maximum_matching(const PropertyGraph& g, const Interrupt* interrupt) {
    const GraphInner& s = g.store();
    if (s.node_slots() >= END) internal_failure("matching: no room for the search's dummy vertex");
    Gabow gabow(s, greedy_mates(s), interrupt);
    return pairs_of(gabow.run());
}

}  // namespace vg
