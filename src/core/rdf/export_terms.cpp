// Term checks of the RDF exports.
#include "export_terms.hpp"

#include <cstdint>

namespace vg::rdf {

namespace {

// Decodes the UTF-8 sequence at s[i] (the text is known to be valid) and
// advances i past it.
char32_t next_code_point(std::string_view s, size_t& i) {
    auto b = [&](size_t k) { return char32_t(static_cast<unsigned char>(s[k])); };
    char32_t c = b(i);
    if (c < 0x80) {
        i += 1;
        return c;
    }
    if (c < 0xE0 && i + 1 < s.size()) {
        c = ((c & 0x1F) << 6) | (b(i + 1) & 0x3F);
        i += 2;
        return c;
    }
    if (c < 0xF0 && i + 2 < s.size()) {
        c = ((c & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
        i += 3;
        return c;
    }
    if (i + 3 < s.size()) {
        c = ((c & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) | ((b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F);
        i += 4;
        return c;
    }
    i = s.size();
    return 0xFFFFFFFF;  // truncated: no character class holds it
}

bool pn_chars_base(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

// PN_CHARS_U of N-Triples: the base characters, '_' and ':'.
bool pn_chars_u(char32_t c) { return pn_chars_base(c) || c == '_' || c == ':'; }

bool pn_chars(char32_t c) {
    return pn_chars_u(c) || c == '-' || (c >= '0' && c <= '9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
           (c >= 0x203F && c <= 0x2040);
}

}  // namespace

bool is_blank_node_label(std::string_view label) {
    if (label.empty() || label.back() == '.') return false;
    size_t i = 0;
    char32_t first = next_code_point(label, i);
    if (!pn_chars_u(first) && !(first >= '0' && first <= '9')) return false;
    while (i < label.size()) {
        char32_t c = next_code_point(label, i);
        if (c != '.' && !pn_chars(c)) return false;
    }
    return true;
}

}  // namespace vg::rdf
