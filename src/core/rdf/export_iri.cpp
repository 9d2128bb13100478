// Absolute IRI check used by the exports until they share the loaders'
// validator: a scheme, and none of the characters that would break an
// N-Triples or Turtle line.
#include <string>

#include "export_terms.hpp"

namespace vg::rdf {

std::string absolute_iri_error(std::string_view text) {
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    size_t i = 0;
    if (text.empty() || !alpha(text[0])) return "No scheme found in an absolute IRI";
    while (i < text.size() && (alpha(text[i]) || (text[i] >= '0' && text[i] <= '9') || text[i] == '+' ||
                               text[i] == '-' || text[i] == '.'))
        ++i;
    if (i == text.size() || text[i] != ':') return "No scheme found in an absolute IRI";
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || ch == '<' || ch == '>' || ch == '"' || ch == '{' || ch == '}' ||
            ch == '|' || ch == '\\' || ch == '^' || ch == '`')
            return "Invalid character '" + std::string(1, ch) + "'";
    }
    return std::string();
}

}  // namespace vg::rdf
