#include "core/graph/derived.hpp"


namespace vg {

namespace {

PropertyGraph copy_nodes(const PropertyGraph& g, bool directed) {
    PropertyGraph out(directed, g.multi(), g.name());
    out.reserve(g.node_count(), g.edge_count());
    for (const NodeSlot& s : g.store().nodes)
        if (s.data) (void)out.add_node(s.data->id, s.data->properties);
    return out;
}

}  // namespace

PropertyGraph undirected_copy(const PropertyGraph& g) {
    PropertyGraph out = copy_nodes(g, false);
    UnorderedPairFilter first_of_pair(g.edge_count());
    for (const EdgeSlot& e : g.store().edges) {
        if (!e.data || !first_of_pair.first(e)) continue;
        (void)out.add_edge(g.store().id_of(e.node[0]), g.store().id_of(e.node[1]), e.data->properties);
    }
    return out;
}

PropertyGraph reverse_graph(const PropertyGraph& g) {
    if (!g.directed()) return undirected_copy(g);
    PropertyGraph out = copy_nodes(g, true);
    for (const EdgeSlot& e : g.store().edges)
        if (e.data) (void)out.add_edge(g.store().id_of(e.node[1]), g.store().id_of(e.node[0]), e.data->properties);
    return out;
}

Result<std::vector<std::string_view>> ego_node_ids(const PropertyGraph& g, std::string_view center, uint64_t radius) {
    auto c = g.node_index(center);
    if (!c) return c.failure();
    const GraphInner& s = g.store();
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
