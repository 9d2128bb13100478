// IRIs the readers and writers spell themselves.
#pragma once
#include <string_view>

namespace vg::rdf::vocab {

inline constexpr std::string_view kRdfNs = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline constexpr std::string_view kRdfType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";
inline constexpr std::string_view kRdfFirst = "http://www.w3.org/1999/02/22-rdf-syntax-ns#first";
inline constexpr std::string_view kRdfRest = "http://www.w3.org/1999/02/22-rdf-syntax-ns#rest";
inline constexpr std::string_view kRdfNil = "http://www.w3.org/1999/02/22-rdf-syntax-ns#nil";
inline constexpr std::string_view kXsdString = "http://www.w3.org/2001/XMLSchema#string";
inline constexpr std::string_view kXsdInteger = "http://www.w3.org/2001/XMLSchema#integer";
inline constexpr std::string_view kXsdDecimal = "http://www.w3.org/2001/XMLSchema#decimal";
inline constexpr std::string_view kXsdDouble = "http://www.w3.org/2001/XMLSchema#double";
inline constexpr std::string_view kXsdBoolean = "http://www.w3.org/2001/XMLSchema#boolean";

}  // namespace vg::rdf::vocab
