#include "core/io/json_reader.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/errors.hpp"
#include "core/io/json_number.hpp"
#include "core/io/utf8.hpp"

namespace vg {

namespace {

// Bytes a string scan must stop at: quote, backslash, controls, non-ASCII.
constexpr std::array<bool, 256> kStringStop = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[size_t(c)] = c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
    return t;
}();

inline bool is_digit(int c) { return c >= '0' && c <= '9'; }

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The members of an object value as they are read, each name once: a
// repeated name's value replaces the earlier one's (the last one wins), so
// that a document repeating names without end cannot make the reader keep,
// and sort, every copy. Names in increasing order, as written objects have
// them, are checked against the last one alone; an object out of order is
// scanned while it has few members and indexed past that, keyed per
// object as its names are the document's choice.
class Members {
public:
    explicit Members(Object& entries) : entries_(entries) {}

    // Where the value of `key` goes: a new member, or the earlier one of
    // that name (read over in place).
    Value& slot(std::string_view key) {
        if (pending_) settle();
        if (sorted_) {
            if (entries_.empty() || std::string_view(entries_.back().first) < key) return add(key);
            if (entries_.back().first == key) return entries_.back().second;
            sorted_ = false;
        }
        if (!index_) {
            for (auto& e : entries_)
                if (e.first == key) return e.second;
            if (entries_.size() < kScanned) return add(key);
            index_ = std::make_unique<Index>();
            index_->reserve(2 * entries_.size());
            for (uint32_t i = 0; i < entries_.size(); ++i) {
                uint32_t h = hash(entries_[i].first);
                index_->insert(h, {i, h}, [](const Slot&) { return false; });  // the names are distinct
            }
        }
        // A new member, looked up once its value is read: the index, far
        // larger than a cache when it matters, is loaded meanwhile.
        pending_ = true;
        pending_hash_ = hash(key);
        index_->prefetch(pending_hash_);
        return add(key);
    }
    // After the last member; whether the names came in strictly increasing
    // byte order.
    bool finish() {
        if (pending_) settle();
        return sorted_;
    }

private:
    static constexpr size_t kScanned = 8;
    using Slot = PositionSlot;
    using Index = PositionIndex;

    uint32_t hash(std::string_view key) const { return uint32_t(index_->traits().key(key)); }
    Value& add(std::string_view key) { return entries_.emplace_back(std::string(key), Value()).second; }
    // The last member read, indexed; an earlier one of its name takes its
    // value instead.
    void settle() {
        pending_ = false;
        uint32_t h = pending_hash_;
        const std::string& key = entries_.back().first;
        auto [at, fresh] = index_->insert(h, {uint32_t(entries_.size() - 1), h}, [&](const Slot& s) {
            return s.hash == h && entries_[s.pos].first == key;
        });
        if (fresh) return;
        entries_[at->pos].second = std::move(entries_.back().second);
        entries_.pop_back();
    }

    Object& entries_;
    bool sorted_ = true;
    bool pending_ = false;  // the last member is not yet in the index
    uint32_t pending_hash_ = 0;
    std::unique_ptr<Index> index_;  // once out of order past kScanned members
};

// A properties object's members as they are read into `out`: gathered
// while few, so that the map is sized once, then each straight into the
// map, which finds a repeated name itself (so that repeats are not kept
// until the end).
class PropertyMembers {
public:
    PropertyMembers(std::vector<Properties::Entry>& gathered, Properties& out) : gathered_(gathered), out_(out) {
        gathered_.clear();
    }

    // Where the value of `key` goes; the key is copied now, as the value's
    // strings may reuse its scratch.
    Value& slot(std::string_view key) {
        if (!direct_) {
            if (gathered_.size() < kGathered) return gathered_.emplace_back(std::string(key), Value()).second;
            move_gathered();
            direct_ = true;
        } else {
            put();
        }
        name_.assign(key);
        return value_;
    }
    // After the last member.
    void finish() {
        if (direct_) put();
        else move_gathered();
    }

private:
    static constexpr size_t kGathered = 8;

    void put() { out_.insert_or_assign(std::move(name_), std::move(value_)); }
    void move_gathered() {
        out_.reserve(gathered_.size());
        for (auto& [name, v] : gathered_) out_.insert_or_assign(std::move(name), std::move(v));
    }

    std::vector<Properties::Entry>& gathered_;
    Properties& out_;
    bool direct_ = false;
    std::string name_;  // the member read straight into the map, put there
    Value value_;       // at the next slot() or at finish()
};

}  // namespace

bool JsonReader::fail_at(ptrdiff_t at, std::string_view msg) {
    uint64_t line = 1, column = 0;
    if (at >= 0) {
        TextPosition pos = in_.position_at(uint64_t(at));
        line = pos.line;
        column = pos.column;
    }
    error_.assign(msg);
    error_ += " at line " + std::to_string(line) + " column " + std::to_string(column);
    return false;
}

bool JsonReader::ident(const char* rest) {
    for (; *rest; ++rest) {
        if (p_ == end_) return fail_here("EOF while parsing a value");
        if (*p_++ != *rest) return fail_here("expected ident");
    }
    return true;
}

bool JsonReader::number(Value& out) {
    const char* start = p_;
    bool neg = *p_ == '-';
    if (neg) ++p_;
    if (p_ == end_) return fail_here("EOF while parsing a value");
    unsigned char c = static_cast<unsigned char>(*p_++);
    uint64_t sig = 0;
    bool too_big = false;   // digits beyond 64 bits
    bool nonzero = false;   // any nonzero digit
    if (c == '0') {
        if (p_ < end_ && is_digit(*p_)) return fail_peek("invalid number");
    } else if (c >= '1' && c <= '9') {
        sig = c - '0';
        nonzero = true;
        while (p_ < end_ && is_digit(*p_)) {
            unsigned d = unsigned(*p_ - '0');
            if (!too_big && sig > (UINT64_MAX - d) / 10) too_big = true;
            if (!too_big) sig = sig * 10 + d;
            ++p_;
        }
    } else {
        return fail_here("invalid number");
    }
    bool is_float = too_big;
    if (p_ < end_ && *p_ == '.') {
        is_float = true;
        const char* frac = ++p_;
        while (p_ < end_ && is_digit(*p_)) nonzero |= *p_++ != '0';
        if (p_ == frac) return p_ == end_ ? fail_peek("EOF while parsing a value") : fail_peek("invalid number");
    }
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
        is_float = true;
        ++p_;
        bool neg_exp = false;
        if (p_ < end_ && (*p_ == '+' || *p_ == '-')) neg_exp = *p_++ == '-';
        if (p_ == end_) return fail_here("EOF while parsing a value");
        if (!is_digit(*p_++)) return fail_here("invalid number");
        int32_t exp = p_[-1] - '0';
        while (p_ < end_ && is_digit(*p_)) {
            int32_t d = *p_++ - '0';
            if (exp > (INT32_MAX - d) / 10) {
                // An exponent past 32 bits: infinite for a nonzero number
                // scaled up, zero otherwise.
                if (nonzero && !neg_exp) return fail_here("number out of range");
                while (p_ < end_ && is_digit(*p_)) ++p_;
                out.v.emplace<Number>(Number::from_f64(neg ? -0.0 : 0.0));
                return true;
            }
            exp = exp * 10 + d;
        }
    }
    if (!is_float) {
        if (!neg) {
            out.v.emplace<Number>(Number::from_u64(sig));
            return true;
        }
        if (sig == 0) {
            out.v.emplace<Number>(Number::from_f64(-0.0));
            return true;
        }
        if (sig <= uint64_t(1) << 63) {
            out.v.emplace<Number>(Number::from_i64(int64_t(0 - sig)));
            return true;
        }
    }
    double d;
    if (parse_double_literal(std::string_view(start, size_t(p_ - start)), d) == DoubleParse::OutOfRange)
        return fail_here("number out of range");
    out.v.emplace<Number>(Number::from_f64(d));
    return true;
}

bool JsonReader::hex4(uint32_t& out) {
    if (end_ - p_ < 4) {
        p_ = end_;
        return fail_here("EOF while parsing a string");
    }
    int v = 0;
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        int h = hex_value(static_cast<unsigned char>(p_[i]));
        ok &= h >= 0;
        v = v * 16 + h;
    }
    p_ += 4;
    if (!ok) return fail_here("invalid escape");
    out = uint32_t(v);
    return true;
}

bool JsonReader::escape() {
    if (p_ == end_) return fail_here("EOF while parsing a string");
    switch (*p_++) {
        case '"': scratch_.push_back('"'); return true;
        case '\\': scratch_.push_back('\\'); return true;
        case '/': scratch_.push_back('/'); return true;
        case 'b': scratch_.push_back('\b'); return true;
        case 'f': scratch_.push_back('\f'); return true;
        case 'n': scratch_.push_back('\n'); return true;
        case 'r': scratch_.push_back('\r'); return true;
        case 't': scratch_.push_back('\t'); return true;
        case 'u': break;
        default: return fail_here("invalid escape");
    }
    uint32_t n;
    if (!hex4(n)) return false;
    if (n >= 0xDC00 && n <= 0xDFFF) return fail_here("lone leading surrogate in hex escape");
    if (n >= 0xD800 && n <= 0xDBFF) {
        // A leading surrogate must be followed by an escaped trailing one.
        for (char want : {'\\', 'u'}) {
            if (p_ == end_) return fail_here("EOF while parsing a string");
            if (*p_++ != want) return fail_here("unexpected end of hex escape");
        }
        uint32_t n2;
        if (!hex4(n2)) return false;
        if (n2 < 0xDC00 || n2 > 0xDFFF) return fail_here("lone leading surrogate in hex escape");
        n = 0x10000 + ((n - 0xD800) << 10) + (n2 - 0xDC00);
    }
    utf8_append(scratch_, n);
    return true;
}

// The bytes of w that stop a string scan (kStringStop), as their high
// bits. The lowest bit set marks the first such byte exactly: the borrows
// of the tests only reach bytes above a stop.
inline uint64_t string_stops(uint64_t w) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    auto zero_bytes = [](uint64_t v) { return (v - kOnes) & ~v; };
    return (zero_bytes(w ^ (kOnes * '"')) | zero_bytes(w ^ (kOnes * '\\')) | ((w - kOnes * 0x20) & ~w) | w) & kHigh;
}

// After the opening quote. The result views the text when the string has
// no escapes, else the scratch buffer (valid until the next string).
bool JsonReader::string(std::string_view& out) {
    const char* run = p_;
    bool copied = false;
    for (;;) {
        // Eight bytes at a time up to the word that holds the stop; the
        // last few bytes of the text one by one.
        for (uint64_t w; end_ - p_ >= 8; p_ += 8) {
            std::memcpy(&w, p_, 8);
            if (uint64_t stops = string_stops(w)) {
                if constexpr (std::endian::native == std::endian::little) p_ += std::countr_zero(stops) / 8;
                break;
            }
        }
        while (p_ < end_ && !kStringStop[static_cast<unsigned char>(*p_)]) ++p_;
        if (p_ == end_) return fail_last("EOF while parsing a string");
        unsigned char c = static_cast<unsigned char>(*p_);
        if (c == '"') {
            in_scratch_ = copied;
            if (copied) {
                scratch_.append(run, size_t(p_ - run));
                out = scratch_;
            } else {
                out = std::string_view(run, size_t(p_ - run));
            }
            ++p_;
            return true;
        }
        if (c == '\\') {
            if (!copied) {
                scratch_.clear();
                copied = true;
            }
            scratch_.append(run, size_t(p_ - run));
            ++p_;
            if (!escape()) return false;
            run = p_;
            continue;
        }
        if (c < 0x20) {
            ++p_;
            return fail_here("control character (\\u0000-\\u001F) found while parsing a string");
        }
        int bad;
        int n = utf8_sequence(reinterpret_cast<const unsigned char*>(p_), reinterpret_cast<const unsigned char*>(end_),
                              &bad);
        if (n < 0) return fail_last("EOF while parsing a string");
        if (n == 0) return fail_at(p_ - begin_, "invalid unicode code point");
        p_ += n;
    }
}

bool JsonReader::plain_string(std::string_view& out) {
    const char* p = p_;
    for (;;) {
        if (end_ - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            uint64_t stops = string_stops(w);
            if (!stops) {
                p += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(stops) / 8;
        }
        while (p < end_ && !kStringStop[static_cast<unsigned char>(*p)]) ++p;
        if (p == end_) return false;
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"') {
            out = std::string_view(p_, size_t(p - p_));
            p_ = p + 1;
            return true;
        }
        if (c < 0x80) return false;  // an escape or a control character
        int bad;
        int n = utf8_sequence(reinterpret_cast<const unsigned char*>(p), reinterpret_cast<const unsigned char*>(end_),
                              &bad);
        if (n <= 0) return false;
        p += n;
    }
}

bool JsonReader::plain_value(Value& out) {
    if (p_ == end_) return false;
    switch (*p_) {
        case '"': {
            ++p_;
            std::string_view s;
            if (!plain_string(s)) return false;
            out.v.emplace<std::string>(s);
            return true;
        }
        case 't':
            if (!plain_literal("true")) return false;
            out.v.emplace<bool>(true);
            return true;
        case 'f':
            if (!plain_literal("false")) return false;
            out.v.emplace<bool>(false);
            return true;
        case 'n':
            if (!plain_literal("null")) return false;
            out.v.emplace<std::monostate>();
            return true;
        case '[':
        case '{': return value(out);
        default: return (*p_ == '-' || is_digit(*p_)) && number(out);
    }
}

bool JsonReader::plain_properties(Properties& out) {
    if (!plain_char('{')) return false;
    PropertyMembers into(entries_, out);
    if (!plain_char('}')) {
        for (;;) {
            std::string_view key;
            if (!plain_char('"') || !plain_string(key) || !plain_char(':')) return false;
            if (!plain_value(into.slot(key))) return false;
            if (plain_char(',')) continue;
            if (plain_char('}')) break;
            return false;
        }
    }
    into.finish();
    return true;
}

bool JsonReader::colon() {
    int c = peek_ws();
    if (c == ':') {
        ++p_;
        return true;
    }
    return fail_peek(c == kEof ? "EOF while parsing an object" : "expected `:`");
}

// Before an item of a list or object: 1 when one follows (positioned at
// it), 0 at `close` (not read), -1 on error. `container` names the list or
// object in the message for an early end.
int JsonReader::next_item(bool& first, char close, const char* container) {
    int c = peek_ws();
    if (c == close) return 0;
    if (c == ',' && !first) {
        ++p_;
        c = peek_ws();
        if (c == close) return fail_peek("trailing comma"), -1;
        if (c == kEof) return fail_peek("EOF while parsing a value"), -1;
        return 1;
    }
    if (c == kEof) return fail_peek(std::string("EOF while parsing ") + container), -1;
    if (!first) return fail_peek(std::string("expected `,` or `") + close + "`"), -1;
    first = false;
    return 1;
}

int JsonReader::next_element(bool& first) { return next_item(first, ']', "a list"); }

// Before an object member: 1 with the name read (just past its closing
// quote), 0 at the closing brace (not read), -1 on error.
int JsonReader::next_key(bool& first, std::string_view& key) {
    int r = next_item(first, '}', "an object");
    if (r <= 0) return r;
    if (peek_ws() != '"') return fail_peek("key must be a string"), -1;
    ++p_;
    return string(key) ? 1 : -1;
}

// A value of the wrong JSON type where `expected` was wanted; scalars are
// read first (their own faults win), containers are reported at the byte
// before their bracket.
bool JsonReader::invalid_type(const char* expected) {
    std::string found;
    int c = peek_ws();
    switch (c) {
        case kEof: return fail_peek("EOF while parsing a value");
        case 'n':
        case 't':
        case 'f':
            if (!literal(c)) return false;
            found = c == 'n' ? "null" : c == 't' ? "boolean `true`" : "boolean `false`";
            break;
        case '"': {
            ++p_;
            std::string_view s;
            if (!string(s)) return false;
            found = "string " + errors::debug_quoted(s);
            break;
        }
        case '[': found = "sequence"; break;
        case '{': found = "map"; break;
        default: {
            if (c != '-' && !is_digit(c)) return fail_peek("expected value");
            Value v;
            if (!number(v)) return false;
            const Number& n = *v.as_number();
            if (n.form == Number::Form::F64) {
                found = "floating point `";
                append_double(found, n.d);
            } else {
                found = "integer `" + (n.form == Number::Form::U64 ? std::to_string(n.u) : std::to_string(n.i));
            }
            found += '`';
        }
    }
    return fail_here("invalid type: " + found + ", expected " + expected);
}

bool JsonReader::value(Value& out) {
    int c = peek_ws();
    switch (c) {
        case kEof: return fail_peek("EOF while parsing a value");
        case 'n':
            if (!literal(c)) return false;
            out.v.emplace<std::monostate>();
            return true;
        case 't':
        case 'f':
            if (!literal(c)) return false;
            out.v.emplace<bool>(c == 't');
            return true;
        case '"': {
            ++p_;
            std::string_view s;
            if (!string(s)) return false;
            out.v.emplace<std::string>(s);
            return true;
        }
        case '[': {
            Array& a = out.v.emplace<Array>();
            return items([&] { return value(a.emplace_back()); });
        }
        case '{': {
            Object& o = out.v.emplace<Object>();
            Members seen(o);
            // The key is copied by slot() before the value is read: the
            // value's strings may reuse its scratch.
            if (!members([&](std::string_view key) { return colon() && value(seen.slot(key)); })) return false;
            // Written objects are already in key order; others are sorted,
            // each name once already.
            if (!seen.finish())
                std::sort(o.begin(), o.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            return true;
        }
        default:
            if (c == '-' || is_digit(c)) return number(out);
            return fail_peek("expected value");
    }
}

bool JsonReader::read_bool(bool& out) {
    int c = peek_ws();
    if (c == 't' || c == 'f') {
        out = c == 't';
        return literal(c);
    }
    return invalid_type("a boolean");
}

bool JsonReader::read_string(std::string_view& out) {
    if (peek_ws() == '"') {
        ++p_;
        return string(out);
    }
    return invalid_type("a string");
}

bool JsonReader::read_properties(Properties& out) {
    if (peek_ws() != '{') return invalid_type("a map");
    PropertyMembers into(entries_, out);
    if (!members([&](std::string_view key) {
            Value& v = into.slot(key);
            return colon() && value(v);
        }))
        return false;
    into.finish();
    return true;
}

}  // namespace vg
