// Structural diff of two graphs: nodes matched by id, edges by their stored
// (source id, target id) pair.
//
// Every list follows slot order (added entries the new graph's, the others
// the old graph's) instead of hash-set order, so a diff reads the same in
// every run.
#include <optional>

#include "core/knowledge/common.hpp"
#include "core/knowledge/diff.hpp"
#include "core/support/prefetch.hpp"

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
    keys.reserve(size_t(s.edge_count()));
    const uint32_t n = s.edge_slots();
    for (uint32_t e = 0; e < n; ++e) {
        if (e + kAhead < n && s.edge_live(e + kAhead)) {
            const EdgeEnds ahead = s.ends(e + kAhead);
            keys.prefetch(slot_pair_key(ahead.source, ahead.target, true));
        }
        if (s.edge_live(e)) keys.insert(slot_pair_key(s.ends(e).source, s.ends(e).target, true));
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
    auto key_in_to = [&](EdgeEnds e) -> std::optional<uint64_t> {
        uint32_t s = map[e.source], t = map[e.target];
        if (s == END || t == END) return std::nullopt;
        return slot_pair_key(s, t, true);
    };
    // The map entries, then the set entry, of edges further ahead.
    const uint32_t n = from.edge_slots();
    for (uint32_t e = 0; e < n; ++e) {
        if (e + 2 * kAhead < n && from.edge_live(e + 2 * kAhead)) {
            const EdgeEnds far = from.ends(e + 2 * kAhead);
            vg::prefetch_read(&map[far.source]);
            vg::prefetch_read(&map[far.target]);
        }
        if (e + kAhead < n && from.edge_live(e + kAhead))
            if (auto k = key_in_to(from.ends(e + kAhead))) to_keys.prefetch(*k);
        if (!from.edge_live(e)) continue;
        const EdgeEnds edge = from.ends(e);
        if (auto k = key_in_to(edge); k && to_keys.contains(*k)) continue;
        if (!from_graph.multi() || reported.insert(slot_pair_key(edge.source, edge.target, true)))
            out.emplace_back(edge.source, edge.target);
    }
    return out;
}

}  // namespace

GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph) {
    const GraphInner& os = old_graph.store();
    const GraphInner& ns = new_graph.store();
    // Slot maps both ways from one lookup per node of the old graph.
    std::vector<uint32_t> old_to_new(os.node_slots(), END), new_to_old(ns.node_slots(), END);
    auto match = [&](uint32_t n, std::optional<uint32_t> m) {
        if (!m) return;
        old_to_new[n] = *m;
        new_to_old[*m] = n;
    };
    // Two lookups at a time, so the reads of one overlap the other's.
    uint32_t pending = END;
    os.for_each_node([&](uint32_t n, const NodeData& node) {
        if (pending == END) {
            pending = n;
            return;
        }
        auto [a, b] = new_graph.find_node_pair(os.id_of(pending), node.id);
        match(pending, a);
        match(n, b);
        pending = END;
    });
    if (pending != END) match(pending, new_graph.find_node(os.id_of(pending)));
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
