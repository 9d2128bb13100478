// Character classes of XML 1.0 (fifth edition) and UTF-8 decoding of
// already validated text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::rdfxml {

// NameChar, ':' included.
bool is_xml_name_char(uint32_t c);
// NameStartChar, ':' included.
bool is_xml_name_start_char(uint32_t c);
// Char: what may appear in a document, raw or through a character reference.
inline bool is_xml_char(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}
inline bool is_xml_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Decodes one code point of valid UTF-8 at s[i], advancing i.
inline uint32_t decode_utf8(std::string_view s, size_t& i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    uint32_t c = b & (0x3F >> n);
    ++i;
    for (int k = 0; k < n && i < s.size(); ++k, ++i) c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return c;
}

// Name (namespaces not considered): a NameStartChar then NameChars.
bool is_xml_name(std::string_view s);
// NCName: a Name without ':'.
bool is_ncname(std::string_view s);
// All of space, TAB, LF, CR (the empty text too).
bool is_xml_whitespace(std::string_view s);

}  // namespace vg::rdfxml
