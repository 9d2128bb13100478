// Export of a graph's edges as RDF: one triple per edge (source id, edge
// label, target id). Nodes by themselves and all other properties are never
// written.
#pragma once
#include <string>
#include <string_view>

#include "core/graph/graph.hpp"
#include "core/result.hpp"

namespace vg::rdf {

// Predicate of an edge with neither a string "predicate" nor a string
// "type" property.
inline constexpr std::string_view DEFAULT_PREDICATE_IRI = "https://vesk-graph.org/ns#relatedTo";

// Output format codes of serialize_graph_rdf.
enum class RdfFormat : int { NTriples = 2, RdfXml = 3, TriG = 4, Turtle = 5 };

// The edge label of the exports (graph/edge_rules.hpp), defaulting to
// DEFAULT_PREDICATE_IRI. Borrowed from the edge.
std::string_view export_predicate(const EdgeData& edge);

// The edges as N-Triples, RDF/XML, TriG or Turtle text, or the first
// failure: a predicate, subject or object that is no absolute IRI or valid
// blank node ("_:" and a label), or a writer failure. Edges are taken in
// slot order, each checked predicate first, then subject, then object.
Result<std::string> serialize_graph_rdf(const PropertyGraph& g, RdfFormat format);

// The edges as one JSON-LD document: {"@graph": [...]} with a node object
// per distinct source id (in byte order of the ids) holding a member per
// label, then {"@id": ...} for each node that is only a target, in slot
// order. Pretty-printed with two-space indentation, members in byte order.
Result<std::string> serialize_graph_jsonld(const PropertyGraph& g);

}  // namespace vg::rdf
