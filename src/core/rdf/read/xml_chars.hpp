// Character classes of XML 1.0 (fifth edition) and UTF-8 decoding of
// already validated text.
#pragma once
#include <array>
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

// ASCII name characters by table: bit 1 NameStartChar, bit 2 NameChar.
inline constexpr std::array<uint8_t, 128> kAsciiNameChar = [] {
    std::array<uint8_t, 128> t{};
    for (int c = 0; c < 128; ++c) {
        bool start = c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        bool rest = start || c == '-' || c == '.' || (c >= '0' && c <= '9');
        t[c] = uint8_t((start ? 1 : 0) | (rest ? 2 : 0));
    }
    return t;
}();

// Bytes of the Name that starts at s[i] (0 when none does), in valid UTF-8.
inline size_t name_length(std::string_view s, size_t i) {
    size_t begin = i;
    uint8_t want = 1;  // NameStartChar first, then NameChar
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (!(kAsciiNameChar[c] & want)) break;
            ++i;
        } else {
            size_t j = i;
            uint32_t cp = decode_utf8(s, j);
            if (!(want == 1 ? is_xml_name_start_char(cp) : is_xml_name_char(cp))) break;
            i = j;
        }
        want = 2;
    }
    return i - begin;
}

// Name (namespaces not considered): a NameStartChar then NameChars.
inline bool is_xml_name(std::string_view s) { return !s.empty() && name_length(s, 0) == s.size(); }
// NCName: a Name without ':'.
bool is_ncname(std::string_view s);
// All of space, TAB, LF, CR (the empty text too).
bool is_xml_whitespace(std::string_view s);

}  // namespace vg::rdfxml
