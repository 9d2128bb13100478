// Loading RDF into a new property graph: format names and file extensions,
// the byte and triple caps, the mapping of triples to nodes and edges, and
// the load statistics.
//
// Usage:
//   auto r = load_rdf_text(text, "turtle", max_bytes, triple_cap);
//   if (!r) ... r.error() ...          // the message the caller raises
//   LoadedRdf loaded = r.take();       // loaded.graph, loaded.stats
// Each subject and each IRI or blank-node object becomes a node labelled
// with its local name (a blank-node object: its whole id); each triple with
// a non-literal object becomes an edge {predicate, label, type}; literal
// triples are only counted.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/graph/graph.hpp"
#include "core/rdf/read/reader.hpp"
#include "core/result.hpp"

namespace vg::rdf {

enum class RdfSyntax : uint8_t { Turtle, NTriples, RdfXml, NQuads, TriG };

// By format name ("turtle", "ttl", ...), byte for byte.
Result<RdfSyntax> rdf_syntax_from_name(std::string_view name);
// By the extension of a path's file name ("nt", "ttl", "rdf", ...).
Result<RdfSyntax> rdf_syntax_from_extension(std::string_view path);

// Reads the input with the reader of `syntax`.
ReadOutcome read_syntax(RdfSyntax syntax, RdfInput& in, TripleSink& sink);

// The text after the last '#', else after the last '/', else the whole text.
std::string_view iri_local_name(std::string_view iri);

struct LoadStats {
    uint64_t total_triples = 0;
    uint64_t nodes = 0;
    uint64_t edges = 0;
    uint64_t literal_properties = 0;
    uint64_t load_time_ms = 0;
};

struct LoadedRdf {
    PropertyGraph graph;
    LoadStats stats;
};

// With an interrupt hook the readers poll it as they go; when it answers
// true, Interrupted is thrown and the partly built graph is dropped.
Result<LoadedRdf> load_rdf_text(std::string_view data, std::string_view format, uint64_t max_bytes,
                                uint64_t triple_cap, const Interrupt* interrupt = nullptr);
Result<LoadedRdf> load_rdf_path(std::string_view path, uint64_t max_bytes, uint64_t triple_cap,
                                const Interrupt* interrupt = nullptr);

}  // namespace vg::rdf
