// Graphs from (subject, predicate, object) triples and triples from graphs.
#include "core/knowledge/common.hpp"
#include "core/knowledge/knowledge.hpp"

namespace vg {

PropertyGraph from_triples(const std::vector<Triple>& triples, bool directed) {
    PropertyGraph g(directed, false, std::string());
    // The graph allows no parallel edges, so between two nodes the first
    // triple wins; tracked here to keep each addition constant-time.
    U64Set joined;
    joined.reserve(triples.size());
    // Ids repeat across triples; each is looked up in a table local to the
    // call and reaches the graph's own index only when it is new.
    kn::IdTable slots;
    auto slot = [&](std::string_view id) {
        uint64_t h = slots.hash(id);
        uint32_t n = slots.find(h, id);
        if (n == END) {
            n = kn::add_fresh_node(g, id, Properties());
            slots.insert(h, id, n);  // the triple's own text outlives the table
        }
        return n;
    };
    for (const Triple& t : triples) {
        uint32_t s = slot(t.subject);
        uint32_t o = slot(t.object);
        if (joined.insert(slot_pair_key(s, o, directed)))
            kn::add_unjoined_edge(g, s, o, kn::predicate_properties(t.predicate));
    }
    return g;
}

std::vector<SlotTriple> project_triples(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    std::vector<SlotTriple> out;
    out.reserve(s.edge_count());
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        out.push_back({x.source, kn::edge_label(d.properties, "relatedTo"), x.target});
    });
    return out;
}

}  // namespace vg
