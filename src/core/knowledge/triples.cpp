// Graphs from (subject, predicate, object) triples and triples from graphs.
#include "common.hpp"
#include "knowledge.hpp"

namespace vg {

PropertyGraph from_triples(const std::vector<Triple>& triples, bool directed) {
    PropertyGraph g(directed, false, std::string());
    // The graph allows no parallel edges, so between two nodes the first
    // triple wins; tracked here to keep each addition constant-time.
    kn::PairSet joined(triples.size());
    for (const Triple& t : triples) {
        uint32_t s = kn::node_slot_or_add(g, t.subject);
        uint32_t o = kn::node_slot_or_add(g, t.object);
        if (joined.emplace(kn::joined_key(directed, s, o), {}).second)
            kn::add_unjoined_edge(g, s, o, kn::predicate_properties(t.predicate));
    }
    return g;
}

std::vector<Triple> project_triples(const PropertyGraph& g) {
    const GraphInner& s = g.inner;
    std::vector<Triple> out;
    out.reserve(s.edge_count);
    for (const EdgeSlot& e : s.edges)
        if (e.weight) out.push_back({s.id_of(e.node[0]), kn::edge_label(e.weight->properties, "relatedTo"), s.id_of(e.node[1])});
    return out;
}

}  // namespace vg
