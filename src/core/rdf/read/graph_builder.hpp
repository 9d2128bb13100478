// The triple mapping of the RDF loader as a sink: each subject and each IRI
// or blank-node object becomes a node (labelled with its local name, a
// blank-node object with its whole id), each triple with a non-literal
// object an edge {predicate, label, type}; literal triples are counted.
//
// Triples are counted and checked against the cap as they arrive, then
// mapped in small batches so that the id lookups and node slots of a batch
// can be fetched from memory together; node and edge slots follow the order
// of arrival exactly as if each triple were mapped at once. Ids are looked
// up in the graph's own id index, hashed once each. The edges of one
// predicate share one property map: its three values are the same for
// every such edge. A long term that the reader hands over by key again
// (terms.hpp) is found by its key: a subject over many triples costs its
// length once.
//
// Usage:
//   GraphBuilder b(triple_cap);
//   ReadOutcome r = read_syntax(syntax, in, b);   // b.error() when Stopped
//   if (done && !b.finish()) ... b.error() ...
//   PropertyGraph g = std::move(b.graph());
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/graph/graph.hpp"
#include "core/rdf/read/predicate_table.hpp"
#include "core/rdf/read/reader.hpp"

namespace vg::rdf {

class GraphBuilder final : public TripleSink {
public:
    explicit GraphBuilder(uint64_t triple_cap) : graph_(true, true, std::string()), cap_(triple_cap) {}

    bool triple(const TermRef& s, const TermRef& p, const TermRef& o) override;
    // Maps what is still batched; false (error() set) when the graph refuses.
    bool finish() { return flush(); }

    PropertyGraph& graph() { return graph_; }
    uint64_t triples() const { return triples_; }
    uint64_t literals() const { return literals_; }
    const Error& error() const { return error_; }

private:
    static constexpr size_t kBatch = 32;
    struct Span {
        size_t offset = 0, size = 0;
    };
    // Where the slot of a triple's end comes from.
    enum class From : uint8_t {
        Text,     // its id, looked up (or added) when the batch is mapped
        Last,     // the subject of the triple before
        Slot,     // known already
        Earlier,  // an earlier end of this batch with the same key
    };
    struct End {
        Span text;             // Text: the node id in text_
        uint32_t hash = 0;     // Text: the id's hash
        uint32_t slot = 0;     // the node's slot (Slot: set up front)
        uint32_t earlier = 0;  // Earlier: 2 x its triple's place in the batch, + 1 for an object
        From from = From::Text;
    };
    struct Pending {
        End subject, object;
        uint32_t predicate = 0;  // in predicates_
        bool literal = false;
        bool object_iri = false;
    };

    bool flush();
    Span keep(std::string_view prefix, std::string_view text);
    std::string_view view(Span s) const { return std::string_view(text_).substr(s.offset, s.size); }
    // Sets up end number `at` of the batch (2 x place, + 1 for an object)
    // for term t: by its key when it is long and known (false), else by its
    // text (true).
    bool place(const TermRef& t, End& e, uint32_t at);
    // Notes a long keyed term as the node at `where` (a slot, or kPending
    // and an end of this batch).
    void remember(const TermRef& t, uint64_t where);
    uint32_t slot_of(const End& e, bool label_is_id);
    // The slot of a node id, added when absent with its label: the id's
    // local name, or the whole id.
    uint32_t node(std::string_view id, uint32_t hash, bool label_is_id);

    PropertyGraph graph_;
    uint64_t cap_;
    uint64_t triples_ = 0;
    uint64_t literals_ = 0;
    Error error_{ErrorKind::Internal, {}};
    PredicateTable predicates_;
    std::vector<Pending> batch_;
    std::string text_;
    // Long terms by the reader's key: their slot, or kPending and their
    // end in this batch until it is mapped (those keys are listed in
    // keyed_in_batch_).
    static constexpr uint64_t kPending = uint64_t(1) << 32;
    std::unordered_map<uint64_t, uint64_t> long_by_key_;
    std::vector<uint64_t> keyed_in_batch_;
    // The subject of the last triple: its key; its text, when it was looked
    // up by its text; where its node is (as in long_by_key_), and its slot
    // once mapped.
    uint64_t last_subject_key_ = 0;
    uint64_t last_subject_ref_ = 0;
    std::string last_subject_;
    TermKind last_subject_kind_ = TermKind::Iri;
    bool have_last_subject_text_ = false;
    uint32_t last_subject_slot_ = 0;
};

}  // namespace vg::rdf
