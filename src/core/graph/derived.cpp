// Graphs derived from another one: reversed, undirected, ego graphs.
#include "core/graph/derived.hpp"

#include "core/graph/adjacency.hpp"
#include "core/graph/pairs.hpp"

namespace vg {

namespace {

// The nodes of g in slot order; `in_copy` gets each slot's slot in the
// copy, by which the edges are then added (add_edge_at).
PropertyGraph copy_nodes(const PropertyGraph& g, bool directed, std::vector<uint32_t>& in_copy) {
    PropertyGraph out(directed, g.multi(), g.name());
    out.reserve(g.node_count(), g.edge_count());
    in_copy.assign(g.store().node_slots(), END);
    g.store().for_each_node([&](uint32_t n, const NodeData& d) {
        if (auto r = out.add_node(d.id, d.properties)) in_copy[n] = r.value();
    });
    return out;
}

// Adds a copy of an edge between the copies of two slots; a refused edge
// is skipped.
void copy_edge(PropertyGraph& out, const std::vector<uint32_t>& in_copy, uint32_t a, uint32_t b, const EdgeData& d) {
    if (in_copy[a] != END && in_copy[b] != END) (void)out.add_edge_at(in_copy[a], in_copy[b], d.properties);
}

}  // namespace

PropertyGraph undirected_copy(const PropertyGraph& g) {
    std::vector<uint32_t> in_copy;
    PropertyGraph out = copy_nodes(g, false, in_copy);
    PairFilter first_of_pair(false, g.edge_count());
    g.store().for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        if (first_of_pair.first(x.source, x.target)) copy_edge(out, in_copy, x.source, x.target, d);
    });
    return out;
}

PropertyGraph reverse_graph(const PropertyGraph& g) {
    if (!g.directed()) return undirected_copy(g);
    std::vector<uint32_t> in_copy;
    PropertyGraph out = copy_nodes(g, true, in_copy);
    g.store().for_each_edge(
        [&](uint32_t, EdgeEnds x, const EdgeData& d) { copy_edge(out, in_copy, x.target, x.source, d); });
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
