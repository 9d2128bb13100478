#include "graph_derived.hpp"

#include <algorithm>
#include <unordered_set>

namespace vg {

namespace {

PropertyGraph copy_nodes(const PropertyGraph& g, bool directed) {
    PropertyGraph out(directed, g.multi, g.name);
    out.id_index.reserve(g.node_count());
    out.inner.nodes.reserve(g.node_count());
    for (const NodeSlot& s : g.inner.nodes)
        if (s.weight) (void)out.add_node(s.weight->id, s.weight->properties);
    return out;
}

}  // namespace

PropertyGraph undirected_copy(const PropertyGraph& g) {
    PropertyGraph out = copy_nodes(g, false);
    out.inner.edges.reserve(g.edge_count());
    // One edge per unordered pair of ids; ids are unique, so a pair of slots
    // identifies the pair of ids.
    std::unordered_set<uint64_t> seen;
    seen.reserve(g.edge_count());
    for (const EdgeSlot& e : g.inner.edges) {
        if (!e.weight) continue;
        uint64_t lo = std::min(e.node[0], e.node[1]), hi = std::max(e.node[0], e.node[1]);
        if (!seen.insert((lo << 32) | hi).second) continue;
        (void)out.add_edge(g.inner.id_of(e.node[0]), g.inner.id_of(e.node[1]), e.weight->properties);
    }
    return out;
}

PropertyGraph reverse_graph(const PropertyGraph& g) {
    if (!g.directed) return undirected_copy(g);
    PropertyGraph out = copy_nodes(g, true);
    out.inner.edges.reserve(g.edge_count());
    for (const EdgeSlot& e : g.inner.edges)
        if (e.weight) (void)out.add_edge(g.inner.id_of(e.node[1]), g.inner.id_of(e.node[0]), e.weight->properties);
    return out;
}

Result<std::vector<std::string_view>> ego_node_ids(const PropertyGraph& g, std::string_view center, uint64_t radius) {
    auto c = g.node_index(center);
    if (!c) return c.failure();
    const GraphInner& s = g.inner;
    std::vector<uint64_t> depth(s.nodes.size(), UINT64_MAX);
    std::vector<uint32_t> order{c.value()};
    depth[c.value()] = 0;
    // `order` doubles as the queue: entries are appended in discovery order.
    for (size_t head = 0; head < order.size(); ++head) {
        uint32_t n = order[head];
        if (depth[n] >= radius) continue;
        auto visit = [&](uint32_t, uint32_t other) {
            if (depth[other] == UINT64_MAX) {
                depth[other] = depth[n] + 1;
                order.push_back(other);
            }
        };
        s.walk_out(n, visit);
        s.walk_in(n, visit);
    }
    std::vector<std::string_view> ids;
    ids.reserve(order.size());
    for (uint32_t n : order) ids.emplace_back(s.id_of(n));
    return ids;
}

}  // namespace vg
