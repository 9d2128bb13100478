// UTF-8 sequence checks shared by every text reader.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vg {

// Checks the sequence that starts with the non-ASCII byte at p. Returns its
// length when valid; 0 when invalid, with *bad_len set to the number of
// bytes before the first one that breaks it (at least 1); -1 when the input
// ends inside an otherwise valid prefix.
inline int utf8_sequence(const unsigned char* p, const unsigned char* end, int* bad_len) {
    unsigned char b0 = p[0];
    int width;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        width = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        width = 3;
        if (b0 == 0xE0) lo = 0xA0;        // no overlong forms
        else if (b0 == 0xED) hi = 0x9F;   // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        width = 4;
        if (b0 == 0xF0) lo = 0x90;        // no overlong forms
        else if (b0 == 0xF4) hi = 0x8F;   // nothing above U+10FFFF
    } else {
        *bad_len = 1;
        return 0;
    }
    for (int k = 1; k < width; ++k) {
        if (p + k >= end) return -1;
        unsigned char b = p[k];
        bool ok = k == 1 ? (b >= lo && b <= hi) : (b >= 0x80 && b <= 0xBF);
        if (!ok) {
            *bad_len = k;
            return 0;
        }
    }
    return width;
}

// Appends the UTF-8 encoding of code point cp (at most U+10FFFF).
inline void utf8_append(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// "invalid utf-8 sequence of N bytes from index I" or "incomplete utf-8
// byte sequence from index I" for the first fault, or empty when valid.
std::string utf8_error(std::string_view bytes);

}  // namespace vg
