#include "core/io/json_number.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "core/result.hpp"

namespace vg {

size_t format_double(double d, char* out) {
    if (!std::isfinite(d)) internal_failure("non-finite double in a property value");
    // The shortest round-trip digits come from to_chars in scientific form
    // ("-d.ddde+XX"); they are then placed by the decimal exponent. The
    // copies below are of fixed size (the room allows) so that none of them
    // goes through a library call.
    char sci[kDoubleTextMax];
    auto res = std::to_chars(sci, sci + sizeof sci, d, std::chars_format::scientific);
    if (res.ec != std::errc()) internal_failure("double formatting failed");
    const char* p = sci;
    char* o = out;
    if (*p == '-') *o++ = *p++;
    // The digits: the first one, then those after the point.
    char digits[kDoubleTextMax];
    digits[0] = *p++;
    int n = 1;
    if (*p == '.') {
        ++p;
        const char* e = static_cast<const char*>(std::memchr(p, 'e', size_t(res.ptr - p)));
        n += int(e - p);
        std::memcpy(digits + 1, p, 17);  // at most 16 more digits, then 'e' and the rest of sci
        p = e;
    }
    ++p;  // 'e'
    bool neg_exp = *p == '-';
    ++p;  // sign
    int e = 0;
    for (; p < res.ptr; ++p) e = e * 10 + (*p - '0');
    if (neg_exp) e = -e;

    if (e >= -5 && e <= 15) {
        int point = e + 1;  // digits before the decimal point
        if (point <= 0) {
            // 0.000ddd: the zeros, then the digits.
            std::memcpy(o, "0.000000", 8);
            o += 2 - point;
            std::memcpy(o, digits, 17);
            o += n;
        } else if (point < n) {
            std::memcpy(o, digits, 16);
            o += point;
            *o++ = '.';
            std::memcpy(o, digits + point, 16);
            o += n - point;
        } else {
            // A whole number: the digits, zeros up to the point, ".0".
            std::memcpy(o, digits, 17);
            std::memset(o + n, '0', size_t(point - n));
            o += point;
            *o++ = '.';
            *o++ = '0';
        }
    } else {
        *o++ = digits[0];
        if (n > 1) {
            *o++ = '.';
            std::memcpy(o, digits + 1, 16);
            o += n - 1;
        }
        *o++ = 'e';
        *o++ = e < 0 ? '-' : '+';
        o = std::to_chars(o, out + kDoubleTextMax, e < 0 ? -e : e).ptr;
    }
    return size_t(o - out);
}

void append_double(std::string& out, double d) {
    char buf[kDoubleTextMax];
    out.append(buf, format_double(d, buf));
}

namespace {

// Whether a literal that converted out of range lies above the doubles
// (first significant digit at a decimal exponent >= 0) or below them.
bool too_large(std::string_view lit) {
    size_t i = lit.size() && lit[0] == '-' ? 1 : 0;
    int64_t e = 0;
    bool found = false;
    int64_t int_digits = 0;
    for (; i < lit.size() && lit[i] >= '0' && lit[i] <= '9'; ++i) {
        if (found) ++int_digits;
        else if (lit[i] != '0') found = true;
    }
    if (found) e = int_digits;
    if (i < lit.size() && lit[i] == '.') {
        ++i;
        int64_t lead = 0;
        for (; i < lit.size() && lit[i] >= '0' && lit[i] <= '9'; ++i) {
            if (found) continue;
            if (lit[i] == '0') {
                ++lead;
            } else {
                found = true;
                e = -(lead + 1);
            }
        }
    }
    if (i < lit.size() && (lit[i] == 'e' || lit[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < lit.size() && (lit[i] == '+' || lit[i] == '-')) neg = lit[i++] == '-';
        int64_t x = 0;
        for (; i < lit.size(); ++i) x = x < (int64_t(1) << 40) ? x * 10 + (lit[i] - '0') : x;
        e += neg ? -x : x;
    }
    return e >= 0;
}

}  // namespace

DoubleParse parse_double_literal(std::string_view lit, double& out) {
    double d = 0;
    auto res = std::from_chars(lit.data(), lit.data() + lit.size(), d, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (too_large(lit)) return DoubleParse::OutOfRange;
        d = lit[0] == '-' ? -0.0 : 0.0;
    } else if (res.ec != std::errc() || res.ptr != lit.data() + lit.size()) {
        internal_failure("malformed number literal reached conversion");
    }
    out = d;
    return DoubleParse::Ok;
}

}  // namespace vg
