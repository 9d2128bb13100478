// Breadth-first and depth-first traversals. All loops keep their own
// queues and stacks, so path-shaped graphs of any length are safe.
// Neighbours come from the graph's adjacency snapshot, in walk order.
#include "core/algorithms/traversal.hpp"

#include "core/graph/adjacency.hpp"

namespace vg {

namespace {

// Breadth-first order; the queue itself is the order in which nodes leave
// it. With `depths`, also each queued node's hop count.
std::vector<uint32_t> bfs_order(const PropertyGraph& g, uint32_t source, std::vector<uint64_t>* depths) {
    const GraphInner& s = g.store();
    require_live(s, source);
    const Rows& adj = rows(s, Direction::Neighbors);
    std::vector<uint8_t> seen(s.node_slots(), 0);
    std::vector<uint32_t> queue{source};
    seen[source] = 1;
    if (depths) depths->assign(1, 0);
    for (size_t head = 0; head < queue.size(); ++head) {
        uint32_t n = queue[head];
        uint64_t next_depth = depths ? (*depths)[head] + 1 : 0;
        for (uint32_t i = adj.begin(n), end = adj.end(n); i < end; ++i) {
            const uint32_t w = adj.targets[i];
            if (seen[w]) continue;
            seen[w] = 1;
            queue.push_back(w);
            if (depths) depths->push_back(next_depth);
        }
    }
    return queue;
}

}  // namespace

std::vector<std::string_view> bfs(const PropertyGraph& g, uint32_t source) {
    return ids_of(g.store(), bfs_order(g, source, nullptr));
}

std::vector<DepthEntry> bfs_with_depth(const PropertyGraph& g, uint32_t source) {
    std::vector<uint64_t> depths;
    std::vector<uint32_t> order = bfs_order(g, source, &depths);
    std::vector<DepthEntry> out;
    out.reserve(order.size());
    std::vector<std::string_view> ids = ids_of(g.store(), order);
    for (size_t i = 0; i < order.size(); ++i) out.push_back({ids[i], depths[i]});
    return out;
}

std::vector<std::string_view> bfs_at_depth(const PropertyGraph& g, uint32_t source, uint64_t depth) {
    std::vector<uint64_t> depths;
    std::vector<uint32_t> order = bfs_order(g, source, &depths);
    std::vector<std::string_view> out;
    for (size_t i = 0; i < order.size(); ++i)
        if (depths[i] == depth) out.push_back(g.store().id_of(order[i]));
    return out;
}

namespace {

// Depth-first preorder with marking on pop; stops early once `target` is
// emitted. Returns the emitted slots.
std::vector<uint32_t> dfs_order(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target) {
    const GraphInner& s = g.store();
    require_live(s, source);
    const Rows& adj = rows(s, Direction::Neighbors);
    std::vector<uint8_t> seen(s.node_slots(), 0);
    std::vector<uint32_t> stack{source};
    std::vector<uint32_t> order;
    while (!stack.empty()) {
        uint32_t n = stack.back();
        stack.pop_back();
        if (seen[n]) continue;
        seen[n] = 1;
        order.push_back(n);
        if (target && n == *target) break;
        for (uint32_t i = adj.begin(n), end = adj.end(n); i < end; ++i)
            if (!seen[adj.targets[i]]) stack.push_back(adj.targets[i]);
    }
    return order;
}

}  // namespace

std::vector<std::string_view> dfs(const PropertyGraph& g, uint32_t source) {
    return ids_of(g.store(), dfs_order(g, source, std::nullopt));
}

bool has_path(const PropertyGraph& g, uint32_t source, uint32_t target) {
    require_live(g.store(), target);
    std::vector<uint32_t> order = dfs_order(g, source, target);
    return order.back() == target;
}

std::string_view dfs_event_name(DfsEventKind kind) { return kind == DfsEventKind::Enter ? "enter" : "exit"; }

std::vector<DfsEvent> dfs_events(const PropertyGraph& g, uint32_t source) {
    const GraphInner& s = g.store();
    require_live(s, source);
    struct Entry {
        uint32_t node;
        DfsEventKind kind;
    };
    const Rows& adj = rows(s, Direction::Neighbors);
    std::vector<uint8_t> seen(s.node_slots(), 0);
    std::vector<Entry> stack{{source, DfsEventKind::Enter}};
    std::vector<DfsEvent> out;
    while (!stack.empty()) {
        Entry e = stack.back();
        stack.pop_back();
        if (e.kind == DfsEventKind::Exit) {
            out.push_back({s.id_of(e.node), DfsEventKind::Exit});
            continue;
        }
        if (seen[e.node]) continue;
        seen[e.node] = 1;
        out.push_back({s.id_of(e.node), DfsEventKind::Enter});
        stack.push_back({e.node, DfsEventKind::Exit});
        // Reverse walk order, so the first neighbour of the walk is on top.
        for (size_t i = adj.end(e.node), first = adj.begin(e.node); i-- > first;)
            if (!seen[adj.targets[i]]) stack.push_back({adj.targets[i], DfsEventKind::Enter});
    }
    return out;
}

}  // namespace vg
