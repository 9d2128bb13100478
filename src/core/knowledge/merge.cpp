// Merge of two graphs under a conflict policy.
//
// Node order of the result: the ids of `base` in its slot order, then the
// ids only `other` has in its slot order (fixed, rather than the iteration
// order of a hash set, so that a merge comes out the same in every run).
#include "core/knowledge/common.hpp"
#include "core/knowledge/knowledge.hpp"

namespace vg {

MergePolicy merge_policy(std::string_view name) {
    if (name == "keep_first") return MergePolicy::KeepFirst;
    if (name == "merge") return MergePolicy::Merge;
    return MergePolicy::KeepLatest;
}

Properties merge_node_properties(const Properties& base, const Properties& other, MergePolicy policy) {
    switch (policy) {
        case MergePolicy::KeepFirst: return base;
        case MergePolicy::Merge: {
            Properties out = base;
            // One level only: a value under a shared name is replaced whole.
            for (const auto& [name, value] : other) out.insert_or_assign(name, value);
            return out;
        }
        case MergePolicy::KeepLatest: break;
    }
    return other;
}

PropertyGraph merge_graphs(const PropertyGraph& base, const PropertyGraph& other, MergePolicy policy) {
    const GraphInner& bs = base.store();
    const GraphInner& os = other.store();
    PropertyGraph out(base.directed(), false, std::string());
    out.reserve(bs.node_count + os.node_count, bs.edge_count + os.edge_count);

    // Slot maps: base -> result, other -> result, base -> other.
    std::vector<uint32_t> b2r(bs.nodes.size(), END), o2r(os.nodes.size(), END), b2o(bs.nodes.size(), END);
    for (uint32_t n = 0; n < bs.nodes.size(); ++n) {
        const auto& node = bs.nodes[n].data;
        if (!node) continue;
        uint32_t m = other.find_node(node->id).value_or(END);
        Properties props = m == END ? node->properties
                                    : merge_node_properties(node->properties, os.nodes[m].data->properties, policy);
        b2r[n] = kn::add_fresh_node(out, node->id, std::move(props));
        if (m != END) {
            b2o[n] = m;
            o2r[m] = b2r[n];
        }
    }
    for (uint32_t n = 0; n < os.nodes.size(); ++n) {
        const auto& node = os.nodes[n].data;
        if (node && o2r[n] == END) o2r[n] = kn::add_fresh_node(out, node->id, node->properties);
    }

    // The latest edge of `other` for each stored (source, target) pair.
    kn::U64Map other_pairs;
    other_pairs.reserve(size_t(os.edge_count));
    for (uint32_t e = 0; e < os.edges.size(); ++e)
        if (os.edges[e].data) *other_pairs.emplace(slot_pair_key(os.edges[e].node[0], os.edges[e].node[1], true), e).first = e;

    // The result allows no parallel edges: of several edges joining one pair
    // (either orientation when undirected) only the first is added.
    const bool directed = out.directed();
    U64Set joined;
    joined.reserve(size_t(bs.edge_count + os.edge_count));
    for (const EdgeSlot& e : bs.edges) {
        if (!e.data) continue;
        uint32_t s = b2r[e.node[0]], t = b2r[e.node[1]];
        if (!joined.insert(slot_pair_key(s, t, directed))) continue;
        const uint32_t* twin = nullptr;
        uint32_t so = b2o[e.node[0]], to = b2o[e.node[1]];
        if (so != END && to != END) twin = other_pairs.find(slot_pair_key(so, to, true));
        Properties props = twin ? merge_node_properties(e.data->properties, os.edges[*twin].data->properties, policy)
                                : e.data->properties;
        kn::add_unjoined_edge(out, s, t, std::move(props));
    }
    for (const EdgeSlot& e : os.edges) {
        if (!e.data) continue;
        uint32_t s = o2r[e.node[0]], t = o2r[e.node[1]];
        if (joined.insert(slot_pair_key(s, t, directed)))
            kn::add_unjoined_edge(out, s, t, e.data->properties);
    }
    return out;
}

}  // namespace vg
