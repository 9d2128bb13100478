// Number text of graph JSON: the shortest round-trip form of a double and
// the conversion of number literals that do not fit the integer forms.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace vg {

// Room that format_double asks for: its longest text is 24 bytes
// ("-0.000012345678901234567"), and it stores some fixed-size pieces past
// the end of shorter ones.
inline constexpr size_t kDoubleTextMax = 48;

// Writes a finite double and returns the number of bytes written: plain
// decimals for decimal exponents -5..15 (always a digit on both sides of the
// point), otherwise d.ddde+X / d.ddde-X.
size_t format_double(double d, char* out);
void append_double(std::string& out, double d);

enum class DoubleParse { Ok, OutOfRange };

// Converts a well-formed JSON number literal (optional minus, digits,
// optional fraction and exponent) to the nearest double. Values too small
// for a double become zero of the literal's sign; values too large give
// OutOfRange.
DoubleParse parse_double_literal(std::string_view literal, double& out);

}  // namespace vg
