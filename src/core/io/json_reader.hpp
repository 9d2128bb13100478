// Pull reader for JSON text with fixed error messages and positions:
// tokens, property values read straight into Value, and typed fields and
// records read in place. Errors end in " at line L column C" for the
// reported byte; the first fault in text order is the one reported.
// Graph JSON always arrives as one string, so the reader scans the bytes of
// an in-place TextInput by pointer and asks it only for error positions.
#pragma once
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.hpp"
#include "core/io/text_input.hpp"

namespace vg {

// A record read in object form (members in any order) or array form
// (fields in order).
struct FieldShape {
    const char* type;       // what a record of the wrong JSON type was expected to be
    const char* with_len;   // what a short array form was expected to be
    const char* expected;   // the field list of "unknown field" messages
    std::array<std::string_view, 5> names;
    int count;
    unsigned optional;      // bit per field that may be absent
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text)
        : in_(TextInput::from_string(text)), begin_(in_.cur()), p_(begin_), end_(in_.limit()) {}
    std::string& error() { return error_; }

protected:
    static constexpr int kEof = -1;
    // Nesting allowed for the whole text, its outermost array or object
    // counting as level 1.
    static constexpr int kMaxNesting = 127;

    // ---- errors: each returns false -----------------------------------
    // `at` is the offset of the reported byte; -1 (nothing read from an
    // empty text) gives line 1 column 0.
    bool fail_at(ptrdiff_t at, std::string_view msg);
    // The last byte read.
    bool fail_here(std::string_view msg) { return fail_at(p_ - begin_ - 1, msg); }
    // The byte looked at but not read, or the last byte at the end of the text.
    bool fail_peek(std::string_view msg) { return fail_at(p_ - begin_ - (p_ == end_ ? 1 : 0), msg); }
    bool fail_last(std::string_view msg) { return fail_at(end_ - begin_ - 1, msg); }

    // ---- tokens ------------------------------------------------------
    int peek_ws() {
        while (p_ < end_) {
            unsigned char c = static_cast<unsigned char>(*p_);
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') return c;
            ++p_;
        }
        return kEof;
    }
    bool enter() {
        if (++depth_ > kMaxNesting) return fail_peek("recursion limit exceeded");
        return true;
    }
    void leave() { --depth_; }
    bool ident(const char* rest);
    // null, true or false, whose first letter c was looked at (not read).
    bool literal(int c) {
        ++p_;
        return ident(c == 'n' ? "ull" : c == 't' ? "rue" : "alse");
    }
    bool number(Value& out);
    bool string(std::string_view& out);
    bool escape();
    bool hex4(uint32_t& out);
    bool colon();
    int next_item(bool& first, char close, const char* container);
    int next_element(bool& first);
    int next_key(bool& first, std::string_view& key);
    bool invalid_type(const char* expected);

    // ---- values and typed fields ----------------------------------------
    // A property value of any JSON type.
    bool value(Value& out);
    // Fields that take one JSON type; others give "invalid type".
    bool read_bool(bool& out);
    bool read_string(std::string_view& out);
    bool read_properties(Properties& out);
    // An array whose elements element() reads.
    template <class F>
    bool read_seq(F&& element);
    // From the opening bracket or brace (looked at) through the closing one:
    // each element read by item(), or each member by member(name), which
    // reads the colon and the value.
    template <class F>
    bool items(F&& item);
    template <class F>
    bool members(F&& member);
    // A record; field(i) reads the value of field i.
    template <class F>
    bool read_record(const FieldShape& shape, F&& field);

    // ---- compact text -----------------------------------------------------
    // Text as the graph JSON writer makes it (no whitespace, no escapes),
    // read without the general machinery. Each returns false at the first
    // byte it does not take, leaving the position anywhere; the caller then
    // reads the same text again the general way, which accepts all that
    // these accept, with the same result, and reports any fault.
    bool plain_literal(std::string_view lit) {
        if (size_t(end_ - p_) < lit.size() || std::memcmp(p_, lit.data(), lit.size()) != 0) return false;
        p_ += lit.size();
        return true;
    }
    bool plain_char(char c) {
        if (p_ == end_ || *p_ != c) return false;
        ++p_;
        return true;
    }
    // After the opening quote, through the closing one.
    bool plain_string(std::string_view& out);
    bool plain_value(Value& out);
    // At the opening brace. Values that are arrays or objects are read the
    // general way, at the nesting depth the caller has set.
    bool plain_properties(Properties& out);

    TextInput in_;
    const char* begin_;
    const char* p_;
    const char* end_;
    int depth_ = 0;
    std::string scratch_;
    bool in_scratch_ = false;  // the last string read lives in scratch_
    std::vector<Properties::Entry> entries_;  // of the properties object being read
    std::string error_;
};

template <class F>
bool JsonReader::items(F&& item) {
    if (!enter()) return false;
    ++p_;
    bool first = true;
    for (;;) {
        int r = next_element(first);
        if (r < 0) return false;
        if (r == 0) break;
        if (!item()) return false;
    }
    ++p_;
    leave();
    return true;
}

template <class F>
bool JsonReader::members(F&& member) {
    if (!enter()) return false;
    ++p_;
    bool first = true;
    for (;;) {
        std::string_view key;
        int r = next_key(first, key);
        if (r < 0) return false;
        if (r == 0) break;
        if (!member(key)) return false;
    }
    ++p_;
    leave();
    return true;
}

template <class F>
bool JsonReader::read_seq(F&& element) {
    if (peek_ws() != '[') return invalid_type("a sequence");
    return items(element);
}

template <class F>
bool JsonReader::read_record(const FieldShape& shape, F&& field) {
    int c = peek_ws();
    if (c == '{') {
        unsigned seen = 0;
        bool ok = members([&](std::string_view key) {
            int f = 0;
            while (f < shape.count && shape.names[size_t(f)] != key) ++f;
            if (f == shape.count)
                return fail_here(std::string("unknown field `").append(key).append("`, expected ").append(shape.expected));
            if (seen & (1u << f))
                return fail_here(std::string("duplicate field `").append(shape.names[size_t(f)]).append("`"));
            seen |= 1u << f;
            return colon() && field(f);
        });
        if (!ok) return false;
        // A missing field is reported at the closing brace.
        for (int f = 0; f < shape.count; ++f) {
            unsigned bit = 1u << f;
            if (!(seen & bit) && !(shape.optional & bit))
                return fail_here(std::string("missing field `").append(shape.names[size_t(f)]).append("`"));
        }
        return true;
    }
    if (c == '[') {
        if (!enter()) return false;
        ++p_;
        bool first = true;
        for (int f = 0; f < shape.count; ++f) {
            int r = next_element(first);
            if (r < 0) return false;
            if (r > 0) {
                if (!field(f)) return false;
            } else if (!(shape.optional & (1u << f))) {
                return fail_at(p_ - begin_, "invalid length " + std::to_string(f) + ", expected " + shape.with_len);
            }
        }
        c = peek_ws();
        if (c == ']') {
            ++p_;
            leave();
            return true;
        }
        if (c == ',') {
            ++p_;
            return fail_peek(peek_ws() == ']' ? "trailing comma" : "trailing characters");
        }
        return fail_peek(c == kEof ? "EOF while parsing a list" : "trailing characters");
    }
    if (c == kEof) return fail_peek("EOF while parsing a value");
    return invalid_type(shape.type);
}

}  // namespace vg
