// Stands in for the RDF/XML reader until it is built into the core; the
// reader's own definition replaces this file.
#include "rdf/reader.hpp"

namespace vg::rdf {

ReadOutcome read_rdfxml(RdfInput&, TripleSink&) { return ReadOutcome::failed("RDF/XML input is not available in this build"); }

}  // namespace vg::rdf
