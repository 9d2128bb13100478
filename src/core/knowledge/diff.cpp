// Structural diff of two graphs: nodes matched by id, edges by their stored
// (source id, target id) pair.
//
// Every list follows slot order (added entries the new graph's, the others
// the old graph's) instead of hash-set order, so a diff reads the same in
// every run.
#include <optional>

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

// Set entries are scattered over the set: each pass asks for the entry of
// the edge this many slots ahead.
constexpr uint32_t kAhead = 8;

// Stored pairs of `g`'s live edges, as slot pairs of `g`.
U64Set edge_keys(const GraphInner& s) {
    U64Set keys;
    keys.reserve(size_t(s.edge_count));
    const uint32_t n = uint32_t(s.edges.size());
    for (uint32_t e = 0; e < n; ++e) {
        if (e + kAhead < n && s.edges[e + kAhead].data)
            keys.prefetch(slot_pair_key(s.edges[e + kAhead].node[0], s.edges[e + kAhead].node[1], true));
        if (s.edges[e].data) keys.insert(slot_pair_key(s.edges[e].node[0], s.edges[e].node[1], true));
    }
    return keys;
}

// Edge keys of `from` that `to` lacks, each once, in `from`'s slot order.
// Only a graph with parallel edges can repeat a stored pair.
std::vector<SlotPair> missing_edges(const PropertyGraph& from_graph, const std::vector<uint32_t>& map,
                                  const U64Set& to_keys) {
    const GraphInner& from = from_graph.store();
    std::vector<SlotPair> out;
    U64Set reported;
    // The key of an edge in `to`, or none when an end has no match there.
    auto key_in_to = [&](const EdgeSlot& e) -> std::optional<uint64_t> {
        uint32_t s = map[e.node[0]], t = map[e.node[1]];
        if (s == END || t == END) return std::nullopt;
        return slot_pair_key(s, t, true);
    };
    // The map entries, then the set entry, of edges further ahead.
    const uint32_t n = uint32_t(from.edges.size());
    for (uint32_t e = 0; e < n; ++e) {
        if (e + 2 * kAhead < n && from.edges[e + 2 * kAhead].data) {
            __builtin_prefetch(&map[from.edges[e + 2 * kAhead].node[0]]);
            __builtin_prefetch(&map[from.edges[e + 2 * kAhead].node[1]]);
        }
        if (e + kAhead < n && from.edges[e + kAhead].data)
            if (auto k = key_in_to(from.edges[e + kAhead])) to_keys.prefetch(*k);
        const EdgeSlot& edge = from.edges[e];
        if (!edge.data) continue;
        if (auto k = key_in_to(edge); k && to_keys.contains(*k)) continue;
        if (!from_graph.multi() || reported.insert(slot_pair_key(edge.node[0], edge.node[1], true)))
            out.emplace_back(edge.node[0], edge.node[1]);
    }
    return out;
}

}  // namespace

GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph) {
    const GraphInner& os = old_graph.store();
    const GraphInner& ns = new_graph.store();
    // Slot maps both ways from one lookup per node of the old graph.
    std::vector<uint32_t> old_to_new(os.nodes.size(), END), new_to_old(ns.nodes.size(), END);
    auto match = [&](uint32_t n, std::optional<uint32_t> m) {
        if (!m) return;
        old_to_new[n] = *m;
        new_to_old[*m] = n;
    };
    // Two lookups at a time, so the reads of one overlap the other's.
    uint32_t pending = END;
    for (uint32_t n = 0; n < os.nodes.size(); ++n) {
        if (!os.nodes[n].data) continue;
        if (pending == END) {
            pending = n;
            continue;
        }
        auto [a, b] = new_graph.find_node_pair(os.nodes[pending].data->id, os.nodes[n].data->id);
        match(pending, a);
        match(n, b);
        pending = END;
    }
    if (pending != END) match(pending, new_graph.find_node(os.nodes[pending].data->id));
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
