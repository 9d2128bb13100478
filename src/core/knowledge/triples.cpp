// Graphs from (subject, predicate, object) triples and triples from graphs.
#include <algorithm>

#include "core/knowledge/common.hpp"
#include "core/knowledge/triples.hpp"
#include "core/support/prefetch.hpp"
#include "core/support/shared_memo.hpp"
#include "core/support/text_numbers.hpp"

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
        vg::prefetch_read(triples[i].subject.data());
        vg::prefetch_read(triples[i].object.data());
    };
    // A long id that many triples share (one str, as project_triples
    // gives them) is hashed once, known by where it lies.
    SharedMemo<uint64_t> long_hashes;
    auto hash = [&](std::string_view id) {
        if (id.size() < TextNumbers::kLong) return slots.hash(id);
        return long_hashes.get(memo_key(id.data()), id.size(), [&] { return slots.hash(id); });
    };
    auto hashes = [&](size_t i) {
        Stage& st = ring[i % kRing];
        st.subject_hash = hash(triples[i].subject);
        st.object_hash = hash(triples[i].object);
        slots.prefetch(st.subject_hash);
        slots.prefetch(st.object_hash);
    };
    auto resolve = [&](size_t i) {
        Stage& st = ring[i % kRing];
        st.subject = slot(st.subject_hash, triples[i].subject);
        st.object = slot(st.object_hash, triples[i].object);
        joined.prefetch(slot_pair_key(st.subject, st.object, directed));
        // Adding the edge links it into both nodes' lists.
        g.store().prefetch_node(st.subject);
        g.store().prefetch_node(st.object);
    };
    // One property map per distinct predicate text, shared by its edges,
    // whichever str carries the text: a long one is known by where it lies
    // and its bytes hashed once per place.
    TextNumbers predicates;
    std::vector<Properties> maps;
    auto properties_of = [&](std::string_view p) {
        const TextNumbers::Numbered n = predicates.number(p);
        if (n.added) maps.push_back(kn::predicate_properties(p));
        return maps[n.number];
    };
    // Triple i's texts are asked for three steps ahead, hashed two steps
    // ahead, its slots resolved one step ahead.
    staged_reads(n, kStep, texts, hashes, resolve, [&](size_t i) {
        const Stage& st = ring[i % kRing];
        if (joined.insert(slot_pair_key(st.subject, st.object, directed)))
            kn::add_unjoined_edge(g, st.subject, st.object, properties_of(triples[i].predicate));
    });
    return g;
}

ProjectedTriples project_triples(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    ProjectedTriples out;
    out.triples.reserve(s.edge_count());
    // Labels by number: a few distinct ones, a long one shared by many
    // edges recognised by where it lies rather than read again.
    TextNumbers numbers;
    auto intern = [&](std::string_view label) {
        TextNumbers::Numbered n = numbers.number(label);
        if (n.added) out.labels.push_back(label);
        return n.number;
    };
    // An edge's label sits three reads away (map, entries, text), each
    // somewhere on the heap: each edge's are asked for one stage at a time,
    // kStep edges apart, so the reads of many edges overlap.
    constexpr uint32_t kStep = 8, kRing = 2 * kStep;
    std::string_view ring[kRing];
    const uint32_t n = s.edge_slots();
    auto props = [&](uint32_t e) -> const Properties* { return s.edge_live(e) ? &s.edge(e).properties : nullptr; };
    auto map_of = [&](uint32_t e) {
        if (const Properties* p = props(e)) p->prefetch();
    };
    auto entries_of = [&](uint32_t e) {
        if (const Properties* p = props(e); p && !p->empty()) vg::prefetch_read(&*p->begin());
    };
    auto label_of_edge = [&](uint32_t e) {
        if (const Properties* p = props(e)) {
            ring[e % kRing] = edge_label(*p, "relatedTo");
            vg::prefetch_read(ring[e % kRing].data());
        }
    };
    staged_reads(n, kStep, map_of, entries_of, label_of_edge, [&](uint32_t e) {
        if (s.edge_live(e)) out.triples.push_back({s.ends(e).source, intern(ring[e % kRing]), s.ends(e).target});
    });
    return out;
}

}  // namespace vg
