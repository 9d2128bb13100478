// Graphs from (subject, predicate, object) triples and triples from graphs.
#include <algorithm>

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
    auto slot = [&](uint64_t h, std::string_view id) {
        uint32_t s = slots.find(h, id);
        if (s == END) {
            s = kn::add_fresh_node(g, id, Properties());
            slots.insert(h, id, s);  // the triple's own text outlives the table
        }
        return s;
    };
    // What a triple needs lies scattered over memory: the ids' texts, their
    // table entries, the pair's entry in `joined`, the two node records.
    // Each triple goes through stages a fixed distance apart, each asking
    // for what the next reads, so the reads of several triples overlap:
    // texts asked for (3 steps ahead), hashed and their entries asked for
    // (2 steps), ids resolved to slots and the rest asked for (1 step), then
    // the edge added. Nodes are still added in order of first appearance
    // and edges in triple order: the graph is the one a plain loop builds.
    constexpr size_t kStep = 8, kRing = 4 * kStep;
    const size_t n = triples.size();
    struct Stage {
        uint64_t subject_hash, object_hash;
        uint32_t subject, object;
    };
    Stage ring[kRing];
    auto texts = [&](size_t i) {
        __builtin_prefetch(triples[i].subject.data());
        __builtin_prefetch(triples[i].object.data());
    };
    auto hashes = [&](size_t i) {
        Stage& st = ring[i % kRing];
        st.subject_hash = slots.hash(triples[i].subject);
        st.object_hash = slots.hash(triples[i].object);
        slots.prefetch(st.subject_hash);
        slots.prefetch(st.object_hash);
    };
    auto resolve = [&](size_t i) {
        Stage& st = ring[i % kRing];
        st.subject = slot(st.subject_hash, triples[i].subject);
        st.object = slot(st.object_hash, triples[i].object);
        joined.prefetch(slot_pair_key(st.subject, st.object, directed));
        // Adding the edge links it into both nodes' lists.
        __builtin_prefetch(&g.store().nodes[st.subject], 1);
        __builtin_prefetch(&g.store().nodes[st.object], 1);
    };
    // The property maps of recent predicates, by the address of their text:
    // callers pass the same few predicate objects again and again, and a
    // copy costs less than building the map.
    struct Recent {
        const char* data = nullptr;
        size_t size = 0;
        Properties props;
    };
    std::vector<Recent> recent(64);
    auto properties_of = [&](std::string_view p) {
        Recent& r = recent[mix64(uint64_t(reinterpret_cast<uintptr_t>(p.data()))) & (recent.size() - 1)];
        if (r.data != p.data() || r.size != p.size()) r = {p.data(), p.size(), kn::predicate_properties(p)};
        return Properties(r.props);
    };
    // Fill the pipeline: triple i is resolved at step i - kStep, hashed at
    // i - 2 kStep, its texts asked for at i - 3 kStep.
    for (size_t i = 0; i < std::min(n, 3 * kStep); ++i) texts(i);
    for (size_t i = 0; i < std::min(n, 2 * kStep); ++i) hashes(i);
    for (size_t i = 0; i < std::min(n, kStep); ++i) resolve(i);
    for (size_t i = 0; i < n; ++i) {
        if (i + 3 * kStep < n) texts(i + 3 * kStep);
        if (i + 2 * kStep < n) hashes(i + 2 * kStep);
        if (i + kStep < n) resolve(i + kStep);
        const Stage& st = ring[i % kRing];
        if (joined.insert(slot_pair_key(st.subject, st.object, directed)))
            kn::add_unjoined_edge(g, st.subject, st.object, properties_of(triples[i].predicate));
    }
    return g;
}

std::vector<SlotTriple> project_triples(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    std::vector<SlotTriple> out;
    out.reserve(s.edge_count);
    for (const EdgeSlot& e : s.edges)
        if (e.data) out.push_back({e.node[0], kn::edge_label(e.data->properties, "relatedTo"), e.node[1]});
    return out;
}

}  // namespace vg
