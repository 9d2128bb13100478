// JSON string escapes, shared by the writers of JSON text.
#pragma once
#include <array>
#include <cstddef>

namespace vg {

// Per byte: 0 = written as is, otherwise the letter after the backslash
// ('u' for the \u00XX form).
inline constexpr std::array<char, 256> kJsonEscape = [] {
    std::array<char, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[size_t(c)] = 'u';
    t['\b'] = 'b';
    t['\f'] = 'f';
    t['\n'] = 'n';
    t['\r'] = 'r';
    t['\t'] = 't';
    t['"'] = '"';
    t['\\'] = '\\';
    return t;
}();

// Writes the escape of byte c (one with a nonzero kJsonEscape entry) at o,
// which has room for 6 bytes; returns how many were written (2 or 6).
inline size_t write_json_escape(char* o, unsigned char c) {
    char e = kJsonEscape[c];
    o[0] = '\\';
    o[1] = e;
    if (e != 'u') return 2;
    static constexpr char kHex[] = "0123456789abcdef";
    o[2] = '0';
    o[3] = '0';
    o[4] = kHex[c >> 4];
    o[5] = kHex[c & 15];
    return 6;
}

}  // namespace vg
