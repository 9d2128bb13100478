// Simple path enumeration and cycle listing.
#include "core/algorithms/simple_paths.hpp"

#include <algorithm>
#include <utility>

#include "core/graph/adjacency.hpp"

namespace vg {

namespace {

// Toward `target` against the walk direction: each node's hops to it, not
// passing through `avoid` (the source, always on the path), up to `limit`
// hops (farther or unreachable nodes get the maximum value); and each
// node's number of walk entries that are `target`, one per edge to it.
struct TowardTarget {
    std::vector<uint32_t> hops, edges_to;
};

TowardTarget toward(const GraphInner& s, uint32_t target, uint32_t avoid, uint64_t limit) {
    const Direction back = s.is_directed() ? Direction::In : Direction::Undirected;
    TowardTarget t{std::vector<uint32_t>(s.node_slots(), END), std::vector<uint32_t>(s.node_slots(), 0)};
    // target's backward walk meets each node once per edge from it to the
    // target in walk direction (a self-loop counts for the target itself,
    // which is never asked).
    for_each_neighbor(s, target, back, [&](uint32_t, uint32_t w) { ++t.edges_to[w]; });
    std::vector<uint32_t> queue{target};
    t.hops[target] = 0;
    // The search may stop after a few hops, too soon to pay for rows.
    NeighborSource adj(s, back);
    for (size_t head = 0; head < queue.size(); ++head) {
        uint32_t x = queue[head];
        if (t.hops[x] >= limit) break;
        adj.for_each(x, [&](uint32_t, uint32_t w) {
            if (t.hops[w] != END || w == avoid) return;
            t.hops[w] = t.hops[x] + 1;
            queue.push_back(w);
        });
    }
    return t;
}

}  // namespace

SlotGroups all_simple_paths(const GraphInner& s, uint32_t source, uint32_t target, uint64_t max_depth,
                            uint64_t max_paths) {
    SlotGroups out;
    if (!s.node_live(source) || !s.node_live(target)) internal_failure("path search on a vacant node slot");
    if (source == target || max_paths == 0) return out;
    // The path is extended only while it has fewer than `limit` nodes.
    const uint64_t limit = std::max<uint64_t>(max_depth, 2) - 1;
    // A node appended as the k-th path node can still lead to an output only
    // if it lies within limit + 1 - k hops of the target.
    const TowardTarget toward_target = toward(s, target, source, limit);
    const std::vector<uint32_t>& dist = toward_target.hops;

    std::vector<uint32_t> path{source};
    uint64_t left = max_paths;
    // Paths `path` + `last` (when not END) + target, one per edge from the
    // path's end to the target: a walker on a full-length path yields
    // exactly those, as the target is never on the path. True when the
    // allowance is used up.
    auto emit = [&](uint32_t last, uint32_t copies) {
        for (; copies; --copies) {
            out.members.insert(out.members.end(), path.begin(), path.end());
            if (last != END) out.members.push_back(last);
            out.members.push_back(target);
            out.close();
            if (--left == 0) return true;
        }
        return false;
    };
    if (limit == 1) {
        emit(END, toward_target.edges_to[source]);
        return out;
    }

    std::vector<uint8_t> on_path(s.node_slots(), 0);
    on_path[source] = 1;
    // Walkers made once the search has paid for the rows read them; the
    // ones made before go on over the lists (both yield the same entries).
    NeighborSource nb(s, Direction::Neighbors);
    uint64_t steps = 0;
    auto walker = [&](uint32_t n) {
        nb.took(std::exchange(steps, 0));
        return nb.cursor(n);
    };
    std::vector<NeighborCursor> walkers{walker(source)};
    while (!walkers.empty()) {
        uint32_t e, c;
        ++steps;
        if (!walkers.back().next(e, c)) {
            walkers.pop_back();
            on_path[path.back()] = 0;
            path.pop_back();
            continue;
        }
        if (on_path[c]) continue;
        if (c == target) {
            if (emit(END, 1)) break;
            continue;
        }
        if (dist[c] == END || dist[c] > limit - path.size()) continue;  // never yields a path
        if (path.size() + 1 == limit) {
            if (emit(c, toward_target.edges_to[c])) break;
            continue;
        }
        path.push_back(c);
        on_path[c] = 1;
        walkers.push_back(walker(c));
    }
    return out;
}

namespace {

bool has_self_loop(const Rows& out, uint32_t n) {
    for (uint32_t t : out.row(n))
        if (t == n) return true;
    return false;
}

}  // namespace

SlotGroups find_cycles(const GraphInner& s) {
    SlotGroups out;
    if (!s.is_directed()) return out;
    SlotGroups sccs = tarjan_scc(s);
    const Rows& out_rows = rows(s, Direction::Out);
    for (size_t i = 0; i < sccs.size(); ++i) {
        auto members = sccs[i];
        if (members.size() == 1 && !has_self_loop(out_rows, members[0])) continue;
        out.members.insert(out.members.end(), members.begin(), members.end());
        out.close();
    }
    return out;
}

SlotGroups find_cycle_paths(const GraphInner& s) {
    SlotGroups out;
    if (!s.is_directed()) return out;
    std::vector<uint32_t> comp;
    SlotGroups sccs = tarjan_scc(s, &comp);
    // One parent link per reached node instead of a path per stack entry;
    // `reached` holds the number of the component that reached the node.
    const Rows& out_rows = rows(s, Direction::Out);
    std::vector<uint32_t> reached(s.node_slots(), END), parent(s.node_slots(), END);
    std::vector<uint32_t> stack;
    for (uint32_t c = 0; c < sccs.size(); ++c) {
        auto members = sccs[c];
        const uint32_t start = members[0];
        if (members.size() == 1) {
            if (has_self_loop(out_rows, start)) {
                out.members.push_back(start);
                out.close();
            }
            continue;
        }
        stack.assign(1, start);
        reached[start] = c;
        uint32_t closing = END;  // the node whose edge leads back to start
        while (!stack.empty() && closing == END) {
            const uint32_t x = stack.back();
            stack.pop_back();
            for (uint32_t w : out_rows.row(x)) {
                if (comp[w] != c) continue;
                if (w == start) {
                    closing = x;
                    break;
                }
                if (reached[w] != c) {
                    reached[w] = c;
                    parent[w] = x;
                    stack.push_back(w);
                }
            }
        }
        if (closing == END) internal_failure("strongly connected component without a cycle through its first member");
        const size_t from = out.members.size();
        for (uint32_t v = closing; v != start; v = parent[v]) out.members.push_back(v);
        out.members.push_back(start);
        std::reverse(out.members.begin() + from, out.members.end());
        out.close();
    }
    return out;
}

}  // namespace vg
