// Graphs derived from another one: reversed, undirected, ego graphs.
#include "core/graph/derived.hpp"

#include "core/graph/adjacency.hpp"
#include "core/graph/pairs.hpp"

namespace vg {

namespace {

PropertyGraph copy_nodes(const PropertyGraph& g, bool directed) {
    PropertyGraph out(directed, g.multi(), g.name());
    out.reserve(g.node_count(), g.edge_count());
    g.store().for_each_node([&](uint32_t, const NodeData& d) { (void)out.add_node(d.id, d.properties); });
    return out;
}

}  // namespace

PropertyGraph undirected_copy(const PropertyGraph& g) {
    PropertyGraph out = copy_nodes(g, false);
    const GraphInner& s = g.store();
    PairFilter first_of_pair(false, g.edge_count());
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        if (first_of_pair.first(x.source, x.target)) (void)out.add_edge(s.id_of(x.source), s.id_of(x.target), d.properties);
    });
    return out;
}

PropertyGraph reverse_graph(const PropertyGraph& g) {
    if (!g.directed()) return undirected_copy(g);
    PropertyGraph out = copy_nodes(g, true);
    const GraphInner& s = g.store();
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        (void)out.add_edge(s.id_of(x.target), s.id_of(x.source), d.properties);
    });
    return out;
}

Result<std::vector<std::string_view>> ego_node_ids(const PropertyGraph& g, std::string_view center, uint64_t radius) {
    auto c = g.node_index(center);
    if (!c) return c.failure();
    const GraphInner& s = g.store();
    std::vector<uint64_t> depth(s.node_slots(), UINT64_MAX);
    std::vector<uint32_t> order{c.value()};
    depth[c.value()] = 0;
    // `order` doubles as the queue: entries are appended in discovery order.
    // Edges are followed either way: the outgoing list, then the incoming.
    for (size_t head = 0; head < order.size(); ++head) {
        uint32_t n = order[head];
        if (depth[n] >= radius) continue;
        for_each_neighbor(s, n, Direction::Undirected, [&](uint32_t, uint32_t other) {
            if (depth[other] == UINT64_MAX) {
                depth[other] = depth[n] + 1;
                order.push_back(other);
            }
        });
    }
    std::vector<std::string_view> ids;
    ids.reserve(order.size());
    for (uint32_t n : order) ids.emplace_back(s.id_of(n));
    return ids;
}

}  // namespace vg
