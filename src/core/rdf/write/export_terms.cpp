// Term checks of the RDF exports.
#include "core/rdf/write/export_terms.hpp"

#include <cstdint>

#include "core/rdf/read/turtle_lexer.hpp"

namespace vg::rdf {

namespace {

// Decodes the UTF-8 sequence at s[i] (node ids are valid UTF-8) and
// advances i past it; a malformed byte decodes as -1, which no character
// class holds.
int32_t next_code_point(std::string_view s, size_t& i) {
    auto b = [&](size_t k) { return int32_t(static_cast<unsigned char>(s[k])); };
    int32_t c = b(i);
    size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) {
        ++i;
        return -1;
    }
    if (n > 1) c &= 0x7F >> n;
    for (size_t k = 1; k < n; ++k) c = (c << 6) | (b(i + k) & 0x3F);
    i += n;
    return c;
}

}  // namespace

// The label as the readers take it, so that every exported blank node
// reads back: no ':' (Turtle would split the label there).
bool is_blank_node_label(std::string_view label) {
    if (label.empty() || label.back() == '.') return false;
    size_t i = 0;
    int32_t first = next_code_point(label, i);
    if (first < 0 || !(is_pn_chars_u(first) || (first >= '0' && first <= '9'))) return false;
    while (i < label.size()) {
        int32_t c = next_code_point(label, i);
        if (c < 0 || !(c == '.' || is_pn_chars(c))) return false;
    }
    return true;
}

}  // namespace vg::rdf
