// Simple path enumeration and cycle listing.
#include "core/algorithms/simple_paths.hpp"

#include <algorithm>

#include "core/graph/adjacency.hpp"

namespace vg {

namespace {

// Hops from each node to `target` against the walk direction, not passing
// through `avoid` (the source, always on the path), up to `limit` hops;
// farther or unreachable nodes get the maximum value.
std::vector<uint32_t> hops_to(const GraphInner& s, uint32_t target, uint32_t avoid, uint64_t limit) {
    std::vector<uint32_t> dist(s.node_slots(), END);
    std::vector<uint32_t> queue{target};
    dist[target] = 0;
    // The search may stop after a few hops, too soon to pay for rows.
    NeighborSource back(s, s.is_directed() ? Direction::In : Direction::Undirected);
    for (size_t head = 0; head < queue.size(); ++head) {
        uint32_t x = queue[head];
        if (dist[x] >= limit) break;
        back.for_each(x, [&](uint32_t, uint32_t w) {
            if (dist[w] != END || w == avoid) return;
            dist[w] = dist[x] + 1;
            queue.push_back(w);
        });
    }
    return dist;
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
    const std::vector<uint32_t> dist = hops_to(s, target, source, limit);

    std::vector<uint32_t> path{source};
    std::vector<uint8_t> on_path(s.node_slots(), 0);
    on_path[source] = 1;
    NeighborSource nb(s, Direction::Neighbors);
    std::vector<NeighborCursor> walkers{nb.cursor(source)};
    // The next neighbour of the deepest path node, or END when exhausted.
    auto next = [&]() {
        uint32_t e, w;
        return walkers.back().next(e, w) ? w : END;
    };
    uint64_t left = max_paths;
    auto emit = [&] {
        out.members.insert(out.members.end(), path.begin(), path.end());
        out.members.push_back(target);
        out.close();
        return --left == 0;
    };
    auto retreat = [&] {
        walkers.pop_back();
        on_path[path.back()] = 0;
        path.pop_back();
    };
    while (!walkers.empty()) {
        const uint32_t c = next();
        if (c == END) {
            retreat();
            continue;
        }
        if (on_path[c]) continue;
        if (path.size() < limit) {
            if (c == target) {
                if (emit()) break;
                continue;
            }
            if (dist[c] == END || dist[c] > limit - path.size()) continue;  // never yields a path
            path.push_back(c);
            on_path[c] = 1;
            walkers.push_back(nb.cursor(c));
            continue;
        }
        // Full length: only a direct edge to the target can still finish.
        uint32_t w = c;
        while (w != END && w != target) w = next();
        if (w == target) {
            if (emit()) break;
        } else {
            retreat();
        }
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
