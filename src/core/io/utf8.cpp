#include "core/io/utf8.hpp"

#include <cstdint>
#include <cstring>
#include <string>

namespace vg {

std::string utf8_error(std::string_view bytes) {
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = begin + bytes.size();
    const auto* p = begin;
    while (p < end) {
        // Eight ASCII bytes at a time.
        if (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            if (!(w & 0x8080808080808080ULL)) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int bad = 0;
        int n = utf8_sequence(p, end, &bad);
        size_t at = size_t(p - begin);
        if (n < 0) return "incomplete utf-8 byte sequence from index " + std::to_string(at);
        if (n == 0) return "invalid utf-8 sequence of " + std::to_string(bad) + " bytes from index " + std::to_string(at);
        p += n;
    }
    return std::string();
}

}  // namespace vg
