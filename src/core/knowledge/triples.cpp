// Graphs from (subject, predicate, object) triples and triples from graphs.
#include "common.hpp"
#include "knowledge.hpp"

namespace vg {

PropertyGraph from_triples(const std::vector<Triple>& triples, bool directed) {
    PropertyGraph g(directed, false, std::string());
    // The graph allows no parallel edges, so between two nodes the first
    // triple wins; tracked here to keep each addition constant-time.
    kn::PairSet joined(triples.size());
    // Ids repeat across triples; each is looked up in a table local to the
    // call and reaches the graph's own index only when it is new.
    kn::IdTable slots;
    auto slot = [&](std::string_view id) {
        auto [value, fresh] = slots.emplace(id);
        if (fresh) *value = kn::add_fresh_node(g, id, Properties());
        return *value;
    };
    for (const Triple& t : triples) {
        uint32_t s = slot(t.subject);
        uint32_t o = slot(t.object);
        if (joined.emplace(kn::joined_key(directed, s, o), {}).second)
            kn::add_unjoined_edge(g, s, o, kn::predicate_properties(t.predicate));
    }
    return g;
}

std::vector<SlotTriple> project_triples(const PropertyGraph& g) {
    const GraphInner& s = g.inner;
    std::vector<SlotTriple> out;
    out.reserve(s.edge_count);
    for (const EdgeSlot& e : s.edges)
        if (e.weight) out.push_back({e.node[0], kn::edge_label(e.weight->properties, "relatedTo"), e.node[1]});
    return out;
}

}  // namespace vg
