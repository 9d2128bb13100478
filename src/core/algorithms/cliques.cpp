#include "core/algorithms/cliques.hpp"

#include <algorithm>
#include <bit>
#include <numeric>
#include <span>
#include <string>

#include "core/algorithms/components.hpp"
#include "core/graph/adjacency.hpp"
#include "core/support/union_find.hpp"

namespace vg {

namespace {

using Nodes = std::vector<uint32_t>;
using View = std::span<const uint32_t>;

// Sorted a ∩ sorted b, sorted. Looks the members of a small side up in a
// large one (hubs), merges otherwise.
void intersect(const Nodes& a, View b, Nodes& out) {
    out.clear();
    if (a.size() * 16 < b.size()) {
        auto from = b.begin();
        for (uint32_t x : a) {
            from = std::lower_bound(from, b.end(), x);
            if (from == b.end()) break;
            if (*from == x) out.push_back(x);
        }
        return;
    }
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
}

// Sorted a minus sorted b, in a's order.
void difference(const Nodes& a, View b, Nodes& out) {
    out.clear();
    if (a.size() * 16 < b.size()) {
        for (uint32_t x : a)
            if (!std::binary_search(b.begin(), b.end(), x)) out.push_back(x);
        return;
    }
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
}

// Adjacency over compact numbers 0..n-1 (live slots in slot order):
// sorted neighbour sets without the node itself, the pairs joined in both
// directions, and the length of each node's walk (parallel edges counted).
struct CliqueGraph {
    uint32_t n = 0;
    std::span<const uint32_t> slot;  // compact -> node slot
    std::vector<size_t> off, moff;
    Nodes adj, mutual;             // undirected kind: mutual is adj
    std::vector<uint64_t> walk;    // directed kind only
    bool directed;

    explicit CliqueGraph(const GraphInner& s) : directed(s.is_directed()) {
        const Positions& at = positions(s);
        slot = at.slot;
        n = at.size();
        // The sets do not depend on list order, so they start from the rows
        // in slot order (the cheapest to build): the source's row only on
        // the directed kind, both ends on the undirected kind, a self-loop
        // once.
        const Rows& rows_at = dense_rows(s, directed ? Direction::Out : Direction::Undirected, RowOrder::Slot);
        off.assign(rows_at.first.begin(), rows_at.first.end());
        adj.assign(rows_at.targets.begin(), rows_at.targets.end());
        if (directed) {
            walk.resize(n);
            for (uint32_t v = 0; v < n; ++v) walk[v] = off[v + 1] - off[v];
        }
        // Sorted, without repeats and without the node itself, packed in place.
        size_t out = 0;
        for (uint32_t v = 0; v < n; ++v) {
            size_t begin = off[v], end = off[v + 1];
            off[v] = out;
            std::sort(adj.begin() + begin, adj.begin() + end);
            uint32_t last = END;
            for (size_t i = begin; i < end; ++i)
                if (adj[i] != v && adj[i] != last) adj[out++] = last = adj[i];
        }
        off[n] = out;
        adj.resize(out);
        if (!directed) return;
        moff.assign(n + 1, 0);
        for (uint32_t v = 0; v < n; ++v) {
            for (uint32_t w : neighbors(v)) {
                View back = neighbors(w);
                if (std::binary_search(back.begin(), back.end(), v)) mutual.push_back(w);
            }
            moff[v + 1] = mutual.size();
        }
    }

    View neighbors(uint32_t v) const { return View(adj).subspan(off[v], off[v + 1] - off[v]); }
    // The neighbours a pivot lets the search skip.
    View joined_both_ways(uint32_t v) const {
        if (!directed) return neighbors(v);
        return View(mutual).subspan(moff[v], moff[v + 1] - moff[v]);
    }

    // Repeatedly removing a node of least remaining degree.
    Nodes degeneracy_order() const {
        std::vector<uint32_t> deg(n);
        uint32_t maxdeg = 0;
        for (uint32_t v = 0; v < n; ++v) maxdeg = std::max(maxdeg, deg[v] = uint32_t(off[v + 1] - off[v]));
        std::vector<uint32_t> bin(maxdeg + 2, 0), pos(n), vert(n);
        for (uint32_t v = 0; v < n; ++v) ++bin[deg[v]];
        uint32_t start = 0;
        for (uint32_t d = 0; d <= maxdeg; ++d) start += std::exchange(bin[d], start);
        for (uint32_t v = 0; v < n; ++v) {
            pos[v] = bin[deg[v]]++;
            vert[pos[v]] = v;
        }
        for (uint32_t d = maxdeg; d > 0; --d) bin[d] = bin[d - 1];
        bin[0] = 0;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t v = vert[i];
            for (uint32_t u : neighbors(v)) {
                if (deg[u] <= deg[v]) continue;
                uint32_t du = deg[u], pu = pos[u], pw = bin[du], w = vert[pw];
                if (u != w) {
                    pos[u] = pw;
                    vert[pu] = w;
                    pos[w] = pu;
                    vert[pw] = u;
                }
                ++bin[du];
                --deg[u];
            }
        }
        return vert;
    }
};

// Bron-Kerbosch with pivoting on an explicit stack. The top level takes
// the nodes one by one (P = the nodes not yet taken, X = those taken);
// every deeper step picks a pivot u and branches on the members of P not
// joined to u both ways. Branches that cannot reach `min_size` members are
// cut, which leaves the rest of the search unchanged.
class CliqueSearch {
public:
    CliqueSearch(const CliqueGraph& g, size_t min_size, const Interrupt* interrupt)
        : g_(g), min_size_(min_size), check_(interrupt), mark_(g.n, 0), position_(g.directed ? 0 : g.n, END) {}

    // Calls emit(clique) for each maximal clique of at least min_size
    // members until it returns false. Returns false when stopped so.
    template <class Emit>
    bool run(Emit&& emit) {
        if (g_.n == 0) return min_size_ > 0 || emit(r_);
        std::vector<uint8_t> taken(g_.n, 0);
        Nodes order;
        if (g_.directed) {
            // The top-level pivot: the node with the longest walk, the
            // last such; branches run from the last candidate down.
            uint32_t u = 0;
            for (uint32_t v = 0; v < g_.n; ++v)
                if (g_.walk[v] >= g_.walk[u]) u = v;
            Nodes all(g_.n);
            std::iota(all.begin(), all.end(), 0u);
            difference(all, g_.joined_both_ways(u), order);
            std::reverse(order.begin(), order.end());
        } else {
            order = g_.degeneracy_order();
        }
        for (uint32_t v : order) {
            check_.tick();
            Frame& child = frame(0);
            child.p.clear();
            child.x.clear();
            for (uint32_t w : g_.neighbors(v)) (taken[w] ? child.x : child.p).push_back(w);
            taken[v] = 1;
            r_.assign(1, v);
            if (!g_.directed && child.p.size() + child.x.size() <= 64) {
                if (!small_search(emit, child.p, child.x)) return false;
                continue;
            }
            if (!open(emit) || !descend(emit)) return false;
        }
        return true;
    }

private:
    struct Frame {
        Nodes p, x, cand;
        size_t cursor = 0;
    };

    Frame& frame(size_t i) {
        if (frames_.size() <= i) frames_.resize(i + 1);
        return frames_[i];
    }

    // frames_[depth_] holds P and X for the clique r_; r_'s last member
    // belongs to it. Emits, cuts, or pushes the step.
    template <class Emit>
    bool open(Emit& emit) {
        Frame& f = frames_[depth_];
        if (f.p.empty()) {
            bool go_on = true;
            if (f.x.empty() && r_.size() >= min_size_) go_on = emit(r_);
            r_.pop_back();
            return go_on;
        }
        if (r_.size() + f.p.size() < min_size_) {
            r_.pop_back();
            return true;
        }
        difference(f.p, g_.joined_both_ways(pivot(f)), f.cand);
        f.cursor = f.cand.size();
        ++depth_;
        return true;
    }

    template <class Emit>
    bool descend(Emit& emit) {
        while (depth_ > 0) {
            check_.tick();
            Frame& f = frame(depth_ - 1);
            if (f.cursor == 0) {
                --depth_;
                r_.pop_back();
                continue;
            }
            uint32_t v = f.cand[--f.cursor];
            View nv = g_.neighbors(v);
            Frame& child = frame(depth_);
            Frame& parent = frames_[depth_ - 1];  // frame() may have moved it
            intersect(parent.p, nv, child.p);
            intersect(parent.x, nv, child.x);
            parent.p.erase(std::lower_bound(parent.p.begin(), parent.p.end(), v));
            parent.x.insert(std::lower_bound(parent.x.begin(), parent.x.end(), v), v);
            r_.push_back(v);
            if (!open(emit)) return false;
        }
        return true;
    }

    // The same search for a top-level node of the undirected kind whose
    // P and X together have at most 64 members (the common case on sparse
    // graphs): sets become bit masks over those members, so intersections
    // are single ANDs and pivot scores are popcounts.
    template <class Emit>
    bool small_search(Emit& emit, const Nodes& p, const Nodes& x) {
        const size_t d = p.size() + x.size();
        local_.assign(p.begin(), p.end());
        local_.insert(local_.end(), x.begin(), x.end());
        for (size_t i = 0; i < d; ++i) position_[local_[i]] = uint32_t(i);
        for (size_t i = 0; i < d; ++i) {
            uint64_t mask = 0;
            View nu = g_.neighbors(local_[i]);
            if (nu.size() <= d * 8) {
                for (uint32_t w : nu)
                    if (position_[w] != END) mask |= uint64_t(1) << position_[w];
            } else {  // a hub: look the few members up in its long list instead
                for (size_t j = 0; j < d; ++j)
                    if (std::binary_search(nu.begin(), nu.end(), local_[j])) mask |= uint64_t(1) << j;
            }
            bits_[i] = mask;
        }
        for (uint32_t w : local_) position_[w] = END;

        struct Step {
            uint64_t p, x, cand;
        };
        Step stack[65];
        size_t depth = 0;
        auto low_bits = [](size_t n) { return n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1; };
        // Emits, cuts or pushes the step for (r_, p, x); r_'s last member
        // belongs to the step.
        auto open_step = [&](uint64_t sp, uint64_t sx) {
            if (sp == 0) {
                bool go_on = true;
                if (sx == 0 && r_.size() >= min_size_) go_on = emit(r_);
                r_.pop_back();
                return go_on;
            }
            if (r_.size() + size_t(std::popcount(sp)) < min_size_) {
                r_.pop_back();
                return true;
            }
            uint64_t best = 0;
            int best_count = -1;
            for (uint64_t u = sp | sx; u; u &= u - 1) {
                uint64_t nb = bits_[std::countr_zero(u)];
                int c = std::popcount(sp & nb);
                if (c > best_count) {
                    best_count = c;
                    best = nb;
                }
            }
            stack[depth++] = {sp, sx, sp & ~best};
            return true;
        };
        if (!open_step(low_bits(p.size()), low_bits(d) & ~low_bits(p.size()))) return false;
        while (depth > 0) {
            check_.tick();
            Step& f = stack[depth - 1];
            if (f.cand == 0) {
                --depth;
                r_.pop_back();
                continue;
            }
            int i = std::countr_zero(f.cand);
            uint64_t bit = uint64_t(1) << i;
            f.cand &= ~bit;
            uint64_t sp = f.p & bits_[i], sx = f.x & bits_[i];
            f.p &= ~bit;
            f.x |= bit;
            r_.push_back(local_[i]);
            if (!open_step(sp, sx)) return false;
        }
        return true;
    }

    uint32_t pivot(const Frame& f) {
        if (g_.directed) {
            // Longest walk among P, the last such in P's order.
            uint32_t u = f.p.front();
            for (uint32_t v : f.p)
                if (g_.walk[v] >= g_.walk[u]) u = v;
            return u;
        }
        // Most neighbours in P among P and X (Tomita et al.), which keeps
        // the branching small.
        if (++stamp_ == 0) {
            std::fill(mark_.begin(), mark_.end(), 0);
            stamp_ = 1;
        }
        for (uint32_t w : f.p) mark_[w] = stamp_;
        uint32_t best = f.p.front();
        size_t best_count = 0;
        bool done = false;
        auto consider = [&](uint32_t u) {
            if (done) return;
            View nu = g_.neighbors(u);
            size_t c = 0;
            if (nu.size() <= f.p.size() * 4) {
                for (uint32_t w : nu) c += mark_[w] == stamp_;
            } else {
                for (uint32_t w : f.p) c += std::binary_search(nu.begin(), nu.end(), w);
            }
            if (c > best_count) {
                best = u;
                best_count = c;
                done = c >= f.p.size();
            }
        };
        for (uint32_t u : f.p) consider(u);
        for (uint32_t u : f.x) consider(u);
        return best;
    }

    const CliqueGraph& g_;
    const size_t min_size_;
    InterruptCheck check_;
    std::vector<Frame> frames_;
    size_t depth_ = 0;
    Nodes r_;
    std::vector<uint32_t> mark_;
    uint32_t stamp_ = 0;
    std::vector<uint32_t> position_;  // node -> bit of small_search, END outside it
    Nodes local_;                     // bit -> node
    uint64_t bits_[64] = {};          // bit -> its neighbours among the bits
};

std::vector<std::string_view> ids(const GraphInner& s, const CliqueGraph& cg, const Nodes& members) {
    std::vector<std::string_view> out;
    out.reserve(members.size());
    for (uint32_t v : members) out.push_back(s.id_of(cg.slot[v]));
    return out;
}

Error too_many_nodes(uint64_t cap, uint64_t nodes) {
    return {ErrorKind::CapRefused,
            "maximal_cliques refuses inputs larger than max_input_nodes=" + std::to_string(cap) + " (graph has " +
                std::to_string(nodes) +
                " nodes); Bron-Kerbosch's worst case is 3^(N/3) cliques. Raise VeskGraphSettings.max_nodes if your "
                "input genuinely warrants it."};
}

}  // namespace

Result<IdGroups> maximal_cliques(const PropertyGraph& g, uint64_t max_input_nodes, uint64_t max_cliques,
                                 const Interrupt* interrupt) {
    if (g.node_count() > max_input_nodes) return too_many_nodes(max_input_nodes, g.node_count());
    IdGroups out;
    if (max_cliques == 0) return out;
    const GraphInner& s = g.store();
    CliqueGraph cg(s);
    CliqueSearch search(cg, 0, interrupt);
    search.run([&](const Nodes& clique) {
        out.push_back(ids(s, cg, clique));
        return out.size() < max_cliques;
    });
    return out;
}

IdGroups k_clique_communities(const PropertyGraph& g, uint64_t k, const Interrupt* interrupt) {
    const GraphInner& s = g.store();
    if (k < 2) {
        SlotGroups weak = weak_component_groups(s);
        IdGroups out(weak.size());
        for (size_t i = 0; i < weak.size(); ++i)
            for (uint32_t v : weak[i]) out[i].push_back(s.id_of(v));
        return out;
    }
    CliqueGraph cg(s);
    std::vector<Nodes> cliques;
    CliqueSearch(cg, k, interrupt).run([&](const Nodes& clique) {
        cliques.emplace_back(clique);
        std::sort(cliques.back().begin(), cliques.back().end());
        return true;
    });

    // Cliques by node, so only cliques that share a node are compared.
    std::vector<size_t> start(cg.n + 1, 0);
    for (const Nodes& c : cliques)
        for (uint32_t v : c) ++start[v + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<uint32_t> by_node(start.back());
    {
        std::vector<size_t> fill(start.begin(), start.end() - 1);
        for (uint32_t i = 0; i < cliques.size(); ++i)
            for (uint32_t v : cliques[i]) by_node[fill[v]++] = i;
    }
    InterruptCheck check(interrupt);
    UnionFind groups(cliques.size());
    std::vector<uint64_t> shared(cliques.size(), 0);
    std::vector<uint32_t> met;
    for (uint32_t i = 0; i < cliques.size(); ++i) {
        for (uint32_t v : cliques[i])
            for (size_t at = start[v]; at < start[v + 1]; ++at) {
                check.tick();
                uint32_t j = by_node[at];
                if (j > i && shared[j]++ == 0) met.push_back(j);
            }
        for (uint32_t j : met) {
            if (shared[j] >= k - 1) groups.unite(i, j);
            shared[j] = 0;
        }
        met.clear();
    }

    // One community per group, groups in the order of their first clique.
    std::vector<size_t> community_of(cliques.size(), SIZE_MAX);
    std::vector<Nodes> members;
    for (uint32_t i = 0; i < cliques.size(); ++i) {
        size_t& at = community_of[groups.find(i)];
        if (at == SIZE_MAX) {
            at = members.size();
            members.emplace_back();
        }
        members[at].insert(members[at].end(), cliques[i].begin(), cliques[i].end());
    }
    IdGroups out;
    out.reserve(members.size());
    for (Nodes& m : members) {
        std::sort(m.begin(), m.end());
        m.erase(std::unique(m.begin(), m.end()), m.end());
        std::vector<std::string_view> community = ids(s, cg, m);
        std::sort(community.begin(), community.end());
        out.push_back(std::move(community));
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return out;
}

}  // namespace vg
