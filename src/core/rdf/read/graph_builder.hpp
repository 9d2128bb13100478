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
// every such edge.
//
// Usage:
//   GraphBuilder b(triple_cap);
//   ReadOutcome r = read_syntax(syntax, in, b);   // b.error() when Stopped
//   if (done && !b.finish()) ... b.error() ...
//   PropertyGraph g = std::move(b.graph());
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/graph/graph.hpp"
#include "core/rdf/read/predicate_table.hpp"
#include "core/rdf/read/reader.hpp"

namespace vg::rdf {

class GraphBuilder final : public TripleSink {
public:
    explicit GraphBuilder(uint64_t triple_cap) : graph_(true, true, std::string()), cap_(triple_cap) {}

    bool triple(const TermRef& s, std::string_view p, const TermRef& o) override;
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
    struct Pending {
        Span subject, object;  // node ids in text_
        uint32_t subject_hash = 0, object_hash = 0;
        uint32_t subject_slot = 0, object_slot = 0;
        uint32_t predicate = 0;     // in predicates_
        bool same_subject = false;  // the subject of the triple before
        bool literal = false;
        bool object_iri = false;
    };

    bool flush();
    Span keep(std::string_view prefix, std::string_view text);
    std::string_view view(Span s) const { return std::string_view(text_).substr(s.offset, s.size); }
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
    // The subject of the last triple, and its slot once mapped.
    std::string last_subject_;
    TermKind last_subject_kind_ = TermKind::Iri;
    bool have_last_subject_ = false;
    uint32_t last_subject_slot_ = 0;
};

}  // namespace vg::rdf
