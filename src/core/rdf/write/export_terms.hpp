// Term checks of the RDF exports.
#pragma once
#include <string>
#include <string_view>

namespace vg::rdf {

// A node id written as a blank node: at least two bytes starting "_:".
inline bool is_blank_node_id(std::string_view id) { return id.size() >= 2 && id[0] == '_' && id[1] == ':'; }

// The blank node label of Turtle and N-Triples, without its "_:": a name
// character, digit or underscore first, then name characters and dots, not
// ending with a dot. Empty labels are refused.
bool is_blank_node_label(std::string_view label);

inline constexpr std::string_view kBlankNodeLabelError = "The blank node identifier is invalid";

}  // namespace vg::rdf
