// The IRIs the RDF/XML reader recognises and writes.
#pragma once
#include <string>
#include <string_view>

#include "core/rdf/vocab.hpp"

namespace vg::rdfxml::names {

inline constexpr std::string_view kRdf = rdf::vocab::kRdfNs;
inline constexpr std::string_view kXmlNs = "http://www.w3.org/XML/1998/namespace";
inline constexpr std::string_view kXmlnsNs = "http://www.w3.org/2000/xmlns/";
inline constexpr std::string_view kXsdString = rdf::vocab::kXsdString;
// The IRIs of a reified statement and of an XML literal's datatype.
inline constexpr std::string_view kStatement = "http://www.w3.org/1999/02/22-rdf-syntax-ns#Statement";
inline constexpr std::string_view kSubject = "http://www.w3.org/1999/02/22-rdf-syntax-ns#subject";
inline constexpr std::string_view kPredicate = "http://www.w3.org/1999/02/22-rdf-syntax-ns#predicate";
inline constexpr std::string_view kObject = "http://www.w3.org/1999/02/22-rdf-syntax-ns#object";
inline constexpr std::string_view kXmlLiteral = "http://www.w3.org/1999/02/22-rdf-syntax-ns#XMLLiteral";

inline std::string rdf(std::string_view local) {
    std::string s(kRdf);
    s.append(local);
    return s;
}

// Local name within the RDF namespace, or empty when iri is outside it.
inline std::string_view rdf_local(std::string_view iri) {
    if (iri.size() <= kRdf.size() || iri.substr(0, kRdf.size()) != kRdf) return {};
    return iri.substr(kRdf.size());
}

// Refused as node and as property element names.
inline bool reserved_element(std::string_view local) {
    return local == "about" || local == "aboutEach" || local == "aboutEachPrefix" || local == "bagID" ||
           local == "datatype" || local == "ID" || local == "li" || local == "nodeID" || local == "parseType" ||
           local == "RDF" || local == "resource";
}

// Refused as attribute names.
inline bool reserved_attribute(std::string_view local) {
    return local == "aboutEach" || local == "aboutEachPrefix" || local == "li" || local == "RDF";
}

}  // namespace vg::rdfxml::names
