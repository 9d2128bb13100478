// The RDF export core: edges to checked triples, handed to the writer of
// the chosen format.
#include <cstdint>
#include <vector>

#include "core/rdf/write/rdfxml_writer.hpp"
#include "core/io/utf8.hpp"
#include "core/rdf/write/export.hpp"
#include "core/graph/edge_rules.hpp"
#include "core/rdf/write/export_nodes.hpp"
#include "core/rdf/write/export_terms.hpp"
#include "core/rdf/write/export_writers.hpp"
#include "core/support/text_numbers.hpp"
#include "core/rdf/iri.hpp"

namespace vg::rdf {

std::string_view export_predicate(const EdgeData& edge) { return edge_label(edge.properties, DEFAULT_PREDICATE_IRI); }

namespace {

// Runs the RDF/XML writer on the core's terms.
class RdfXmlAdapter {
public:
    static constexpr bool kRepeatsSubject = false;  // a node element per run of one subject
    explicit RdfXmlAdapter(std::string& out) : w_(out) {}
    std::string triple(const ExportTerm& s, const ExportPredicate& p, const ExportTerm& o) {
        return w_.triple(xml_term(s), p.text, xml_term(o), p.number);
    }
    std::string finish() { return w_.finish(); }

private:
    static rdfxml::RdfXmlTerm xml_term(const ExportTerm& t) {
        return t.blank ? rdfxml::RdfXmlTerm{t.id.substr(2), true, t.node} : rdfxml::RdfXmlTerm{t.id, false, t.node};
    }
    rdfxml::RdfXmlWriter w_;
};

// The node's term, or the message of its check (`role` is "subject" or
// "object"). Each node is checked once, however many edges it has.
std::string node_term(NodeIds& ids, uint32_t n, const char* role, ExportTerm& t) {
    t.id = ids[n];
    t.blank = is_blank_node_id(t.id);
    t.node = n;
    if (ids.marked(n)) return std::string();
    if (t.blank) {
        if (!is_blank_node_label(t.id.substr(2)))
            return "Invalid blank node id '" + std::string(t.id) + "': " + std::string(kBlankNodeLabelError);
    } else if (auto err = iri_error(t.id)) {
        return "Invalid " + std::string(role) + " IRI '" + std::string(t.id) + "': " + *err;
    }
    ids.mark(n);
    return std::string();
}

// Bytes reserved per edge beyond its two ids: the predicate and the
// punctuation.
constexpr size_t kPredicateRoom = 48;

// Room for the ids as the writer puts them and a usual predicate, so the
// text is seldom copied while it grows, and never far more room than text:
// a long id counts as often as it is written, not once per edge.
template <class Writer>
size_t text_room(const GraphInner& store, const NodeIds& ids) {
    const size_t edges = store.edge_count();
    // Where no id is much longer than the shortest, every line of a writer
    // that repeats its subjects (at least two ids and a two-byte predicate
    // with nine bytes around them) takes a quarter of the room at the
    // mean length or more: that room needs no pass over the edges.
    const size_t mean = ids.mean_length(), shortest = ids.shortest();
    if (Writer::kRepeatsSubject && 2 * mean + kPredicateRoom <= 4 * (2 * shortest + 11))
        return edges * (2 * mean + kPredicateRoom);
    const EndBytes ends = end_bytes(store, ids);
    return (Writer::kRepeatsSubject ? ends.subjects : ends.subject_runs) + ends.objects + edges * kPredicateRoom;
}

Error refused(std::string message) { return Error{ErrorKind::InvalidValue, std::move(message)}; }

template <class Writer>
Result<std::string> write_edges(const PropertyGraph& g, std::string& out, Writer& w) {
    const GraphInner& store = g.store();
    NodeIds ids(store);
    out.reserve(text_room<Writer>(store, ids));
    // Each distinct predicate is checked once, when first numbered.
    TextNumbers predicates;
    // Endpoints are scattered in memory: ask for them a few edges ahead.
    constexpr size_t kAhead = 64;
    const uint32_t slots = store.edge_slots();
    for (uint32_t e = 0; e < slots; ++e) {
        if (e + kAhead < slots) {
            const EdgeEnds far = store.ends(e + uint32_t(kAhead));
            ids.prefetch_entry(far.source);
            ids.prefetch_entry(far.target);
            const EdgeEnds near = store.ends(e + uint32_t(kAhead / 2));
            ids.prefetch_text(near.source);
            ids.prefetch_text(near.target);
        }
        if (!store.edge_live(e)) continue;
        const EdgeEnds slot = store.ends(e);
        const std::string_view p = export_predicate(store.edge(e));
        const TextNumbers::Numbered numbered = predicates.number(p);
        if (numbered.added)
            if (auto err = iri_error(p)) return refused("Invalid predicate IRI '" + std::string(p) + "': " + *err);
        ExportTerm s, o;
        if (std::string err = node_term(ids, slot.source, "subject", s); !err.empty()) return refused(err);
        if (std::string err = node_term(ids, slot.target, "object", o); !err.empty()) return refused(err);
        if (std::string err = w.triple(s, ExportPredicate{p, numbered.number}, o); !err.empty())
            return refused("Serialization error: " + err);
    }
    if (std::string err = w.finish(); !err.empty()) return refused("Finish error: " + err);
    if (std::string err = utf8_error(out); !err.empty()) return refused("UTF-8 error: " + err);
    return std::move(out);
}

}  // namespace

Result<std::string> serialize_graph_rdf(const PropertyGraph& g, RdfFormat format) {
    std::string out;
    switch (format) {
        case RdfFormat::NTriples: {
            NTriplesWriter w(out);
            return write_edges(g, out, w);
        }
        case RdfFormat::RdfXml: {
            RdfXmlAdapter w(out);
            return write_edges(g, out, w);
        }
        case RdfFormat::TriG:  // all triples in the default graph: the Turtle text
        case RdfFormat::Turtle: {
            TurtleWriter w(out);
            return write_edges(g, out, w);
        }
    }
    internal_failure("unknown RDF export format");
}

}  // namespace vg::rdf
