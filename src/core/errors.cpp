// Quoting of values inside messages.
#include "core/errors.hpp"

#include <cstdint>

namespace vg::errors {

std::string debug_quoted(std::string_view s) {
    std::string out = "\"";
    static constexpr char kHex[] = "0123456789abcdef";
    auto hex_escape = [&](uint32_t cp) {
        out += "\\u{";
        char buf[8];
        int n = 0;
        do {
            buf[n++] = kHex[cp & 15];
            cp >>= 4;
        } while (cp);
        while (n) out.push_back(buf[--n]);
        out.push_back('}');
    };
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    hex_escape(c);
                } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
                    // C1 controls U+0080..U+009F: the second byte is the code point.
                    hex_escape(static_cast<unsigned char>(s[++i]));
                } else {
                    out.push_back(char(c));
                }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace vg::errors
