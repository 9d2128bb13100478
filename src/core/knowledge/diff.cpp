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
    keys.reserve(size_t(s.edge_count));
    for (const EdgeSlot& e : s.edges)
        if (e.data) keys.insert(slot_pair_key(e.node[0], e.node[1], true));
    return keys;
}

// Edge keys of `from` that `to` lacks, each once, in `from`'s slot order.
// Only a graph with parallel edges can repeat a stored pair.
std::vector<SlotPair> missing_edges(const PropertyGraph& from_graph, const std::vector<uint32_t>& map,
                                  const U64Set& to_keys) {
    const GraphInner& from = from_graph.store();
    std::vector<SlotPair> out;
    U64Set reported;
    for (const EdgeSlot& e : from.edges) {
        if (!e.data) continue;
        uint32_t s = map[e.node[0]], t = map[e.node[1]];
        if (s != END && t != END && to_keys.contains(slot_pair_key(s, t, true))) continue;
        if (!from_graph.multi() || reported.insert(slot_pair_key(e.node[0], e.node[1], true)))
            out.emplace_back(e.node[0], e.node[1]);
    }
    return out;
}

}  // namespace

GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph) {
    const GraphInner& os = old_graph.store();
    const GraphInner& ns = new_graph.store();
    // Slot maps both ways from one lookup per node of the old graph.
    std::vector<uint32_t> old_to_new(os.nodes.size(), END), new_to_old(ns.nodes.size(), END);
    for (uint32_t n = 0; n < os.nodes.size(); ++n) {
        if (!os.nodes[n].data) continue;
        if (auto m = new_graph.find_node(os.nodes[n].data->id)) {
            old_to_new[n] = *m;
            new_to_old[*m] = n;
        }
    }
    GraphDiff d;
    for (uint32_t n = 0; n < ns.nodes.size(); ++n)
        if (ns.nodes[n].data && new_to_old[n] == END) d.added_nodes.push_back(n);
    for (uint32_t n = 0; n < os.nodes.size(); ++n) {
        const auto& node = os.nodes[n].data;
        if (!node) continue;
        if (old_to_new[n] == END) d.removed_nodes.push_back(n);
        else if (!properties_equal(node->properties, ns.nodes[old_to_new[n]].data->properties))
            d.changed_node_properties.push_back(n);
    }
    U64Set old_keys = edge_keys(os);
    U64Set new_keys = edge_keys(ns);
    d.added_edges = missing_edges(new_graph, new_to_old, old_keys);
    d.removed_edges = missing_edges(old_graph, old_to_new, new_keys);
    return d;
}

}  // namespace vg
