// Structural diff of two graphs: nodes matched by id, edges by their stored
// (source id, target id) pair.
//
// Every list follows slot order (added entries the new graph's, the others
// the old graph's) instead of hash-set order, so a diff reads the same in
// every run.
#include "core/knowledge/common.hpp"
#include "core/knowledge/knowledge.hpp"

namespace vg {

bool properties_equal(const Properties& a, const Properties& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [name, value] : a) {
        const Value* other = b.find(name);
        if (!other || !(*other == value)) return false;
    }
    return true;
}

namespace {

// Stored pairs of `g`'s live edges, as slot pairs of `g`.
U64Set edge_keys(const GraphInner& s) {
    U64Set keys;
    keys.reserve(size_t(s.edge_count()));
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) { keys.insert(slot_pair_key(x.source, x.target, true)); });
    return keys;
}

// Edge keys of `from` that `to` lacks, each once, in `from`'s slot order.
// Only a graph with parallel edges can repeat a stored pair.
std::vector<SlotPair> missing_edges(const PropertyGraph& from_graph, const std::vector<uint32_t>& map,
                                  const U64Set& to_keys) {
    const GraphInner& from = from_graph.store();
    std::vector<SlotPair> out;
    U64Set reported;
    from.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        uint32_t s = map[x.source], t = map[x.target];
        if (s != END && t != END && to_keys.contains(slot_pair_key(s, t, true))) return;
        if (!from_graph.multi() || reported.insert(slot_pair_key(x.source, x.target, true)))
            out.emplace_back(x.source, x.target);
    });
    return out;
}

}  // namespace

GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph) {
    const GraphInner& os = old_graph.store();
    const GraphInner& ns = new_graph.store();
    // Slot maps both ways from one lookup per node of the old graph.
    std::vector<uint32_t> old_to_new(os.node_slots(), END), new_to_old(ns.node_slots(), END);
    os.for_each_node([&](uint32_t n, const NodeData& node) {
        if (auto m = new_graph.find_node(node.id)) {
            old_to_new[n] = *m;
            new_to_old[*m] = n;
        }
    });
    GraphDiff d;
    ns.for_each_node([&](uint32_t n, const NodeData&) {
        if (new_to_old[n] == END) d.added_nodes.push_back(n);
    });
    os.for_each_node([&](uint32_t n, const NodeData& node) {
        if (old_to_new[n] == END) d.removed_nodes.push_back(n);
        else if (!properties_equal(node.properties, ns.node(old_to_new[n]).properties))
            d.changed_node_properties.push_back(n);
    });
    U64Set old_keys = edge_keys(os);
    U64Set new_keys = edge_keys(ns);
    d.added_edges = missing_edges(new_graph, new_to_old, old_keys);
    d.removed_edges = missing_edges(old_graph, old_to_new, new_keys);
    return d;
}

}  // namespace vg
