// Graph JSON reader. It reads the three records (document, node, edge)
// straight from the text, property values straight into Value, and feeds
// nodes and edges to the graph as they complete, so no intermediate tree
// is built. Which error is reported, and at which byte, is fixed: the first
// fault in text order wins, then the caps, then the store's refusals.
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graph_json.hpp"
#include "json_number.hpp"
#include "utf8.hpp"

namespace vg {

namespace {

constexpr int kEof = -1;
// Nesting allowed for the whole document, its own object or array included.
constexpr int kMaxNesting = 127;

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

void append_utf8(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
        s.push_back(char(cp));
    } else if (cp < 0x800) {
        s.push_back(char(0xC0 | (cp >> 6)));
        s.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        s.push_back(char(0xE0 | (cp >> 12)));
        s.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        s.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        s.push_back(char(0xF0 | (cp >> 18)));
        s.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        s.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        s.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// A string as it appears inside "invalid type" messages: quoted, with
// backslash escapes for quote, backslash and control characters.
std::string quoted_for_message(std::string_view s) {
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

struct FieldShape {
    const char* type;       // what a record of the wrong JSON type was expected to be
    const char* with_len;   // what a short array form was expected to be
    const char* expected;   // the field list of "unknown field" messages
    std::array<std::string_view, 5> names;
    int count;
    unsigned optional;      // bit per field that may be absent
};

constexpr FieldShape kGraphShape{"struct GraphJson", "struct GraphJson with 5 elements",
                                 "one of `directed`, `multi`, `name`, `nodes`, `edges`",
                                 {"directed", "multi", "name", "nodes", "edges"}, 5, 1u << 1};
constexpr FieldShape kNodeShape{"struct NodeJson", "struct NodeJson with 2 elements", "`id` or `properties`",
                                {"id", "properties"}, 2, 0};
constexpr FieldShape kEdgeShape{"struct EdgeJson", "struct EdgeJson with 3 elements",
                                "one of `source`, `target`, `properties`", {"source", "target", "properties"}, 3, 0};

// Set of (source slot, target slot) pairs already joined by an edge, for
// graphs without parallel edges: open addressing with a per-load random key
// so the store's list walk never turns a hub node into quadratic work.
class PairSet {
public:
    // Returns false when the key was present.
    bool insert(uint64_t key) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        size_t mask = slots_.size() - 1;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == kEmpty) {
                slots_[i] = key;
                ++count_;
                return true;
            }
            if (slots_[i] == key) return false;
        }
    }
    void reserve(size_t n) {
        while ((n + 1) * 2 > slots_.size()) grow();
    }

private:
    // Slot numbers stay below END, so a key of all ones never occurs.
    static constexpr uint64_t kEmpty = ~uint64_t(0);
    uint64_t hash(uint64_t z) const {
        z ^= seed_;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    void grow() {
        std::vector<uint64_t> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, kEmpty);
        count_ = 0;
        size_t mask = slots_.size() - 1;
        for (uint64_t k : old) {
            if (k == kEmpty) continue;
            size_t i = hash(k) & mask;
            while (slots_[i] != kEmpty) i = (i + 1) & mask;
            slots_[i] = k;
            ++count_;
        }
    }
    std::vector<uint64_t> slots_;
    size_t count_ = 0;
    uint64_t seed_ = KeyedHash().k0;
};

// Node id to slot for the nodes read so far. Edge endpoints are resolved
// here with one probe of a flat table instead of the id index's bucket
// chains, which dominate the time of large loads. Keyed hashing as in the
// id index, so colliding ids cannot be prepared in advance.
class SlotIndex {
public:
    void add(std::string_view id, uint32_t slot) {
        if ((count_ + 1) * 2 > table_.size()) grow();
        place({hash_(id), slot});
        ++count_;
    }
    std::optional<uint32_t> find(std::string_view id, const GraphInner& g) const {
        if (table_.empty()) return std::nullopt;
        uint64_t h = hash_(id);
        size_t mask = table_.size() - 1;
        for (size_t i = h & mask; table_[i].slot != END; i = (i + 1) & mask)
            if (table_[i].hash == h && g.nodes[table_[i].slot].weight->id == id) return table_[i].slot;
        return std::nullopt;
    }

private:
    struct Entry {
        uint64_t hash;
        uint32_t slot;  // END when empty
    };
    void place(Entry e) {
        size_t mask = table_.size() - 1;
        size_t i = e.hash & mask;
        while (table_[i].slot != END) i = (i + 1) & mask;
        table_[i] = e;
    }
    void grow() {
        std::vector<Entry> old = std::move(table_);
        table_.assign(old.empty() ? 64 : old.size() * 2, Entry{0, END});
        for (const Entry& e : old)
            if (e.slot != END) place(e);
    }
    std::vector<Entry> table_;
    size_t count_ = 0;
    KeyedHash hash_;
};

struct PendingEdge {
    std::string source;
    std::string target;
    Properties properties;
};

class Reader {
public:
    Reader(std::string_view text, uint64_t max_nodes, uint64_t max_edges)
        : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()),
          max_nodes_(max_nodes), max_edges_(max_edges) {}

    bool read_document();
    Result<PropertyGraph> finish();
    std::string& error() { return error_; }

private:
    // ---- errors ------------------------------------------------------
    // `at` is the reported byte; before the text (empty input) it gives
    // line 1 column 0.
    // `at` is the offset of the reported byte; -1 (nothing read from an
    // empty text) gives line 1 column 0.
    bool fail_at(ptrdiff_t at, std::string_view msg) {
        size_t line = 1, column = 0;
        if (at >= 0) {
            ptrdiff_t line_start = 0;
            for (ptrdiff_t q = 0; q < at; ++q)
                if (begin_[q] == '\n') {
                    ++line;
                    line_start = q + 1;
                }
            column = size_t(at - line_start) + 1;
        }
        error_.assign(msg);
        error_ += " at line " + std::to_string(line) + " column " + std::to_string(column);
        return false;
    }
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
    bool number(Value& out);
    bool string(std::string_view& out);
    bool escape();
    bool hex4(uint32_t& out);
    bool colon();
    int next_element(bool& first);
    int next_key(bool& first, std::string_view& key);
    bool invalid_type(const char* expected);

    // ---- values and records --------------------------------------------
    bool value(Value& out);
    bool read_bool(bool& out);
    bool read_string(std::string_view& out);
    bool read_properties(Properties& out);
    template <class F>
    bool read_seq(F&& element);
    template <class F>
    bool read_record(const FieldShape& shape, F&& field);
    bool read_graph_field(int f);
    bool read_node();
    bool read_edge();

    // A string just read that must survive further reading: a view into the
    // text does; one into the escape scratch is copied into `keep`.
    std::string_view stable(std::string_view v, std::string& keep) {
        if (!in_scratch_) return v;
        keep.assign(v);
        return keep;
    }

    // ---- graph building ----------------------------------------------
    void set_flags() {
        graph_.directed = directed_;
        graph_.multi = multi_;
        graph_.inner.kind = directed_ ? GraphKind::Directed : GraphKind::Undirected;
    }
    void take_node(std::string_view id, Properties props);
    void take_edge(std::string_view source, std::string_view target, Properties props);
    void add_edge_now(std::string_view source, std::string_view target, Properties props);

    const char* begin_;
    const char* p_;
    const char* end_;
    int depth_ = 0;
    std::string scratch_;
    bool in_scratch_ = false;  // the last string read lives in scratch_
    std::string error_;

    uint64_t max_nodes_, max_edges_;
    PropertyGraph graph_;
    bool directed_ = true, multi_ = false;
    bool have_directed_ = false, have_multi_ = false, nodes_done_ = false;
    std::string name_;
    uint64_t nodes_seen_ = 0, edges_seen_ = 0;
    std::string node_error_, edge_error_;
    bool edges_direct_ = false;  // edges go into the graph as they are read
    std::vector<PendingEdge> pending_;
    std::unique_ptr<PairSet> pairs_;
    SlotIndex slots_;
    std::string id_keep_, source_keep_, target_keep_;
};

bool Reader::ident(const char* rest) {
    for (; *rest; ++rest) {
        if (p_ == end_) return fail_here("EOF while parsing a value");
        if (*p_++ != *rest) return fail_here("expected ident");
    }
    return true;
}

bool Reader::number(Value& out) {
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

bool Reader::hex4(uint32_t& out) {
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

bool Reader::escape() {
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
    append_utf8(scratch_, n);
    return true;
}

// After the opening quote. The result views the text when the string has
// no escapes, else the scratch buffer (valid until the next string).
bool Reader::string(std::string_view& out) {
    const char* run = p_;
    bool copied = false;
    for (;;) {
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

bool Reader::colon() {
    int c = peek_ws();
    if (c == ':') {
        ++p_;
        return true;
    }
    return fail_peek(c == kEof ? "EOF while parsing an object" : "expected `:`");
}

// Before an array element: 1 when one follows (positioned at it), 0 at the
// closing bracket (not read), -1 on error.
int Reader::next_element(bool& first) {
    int c = peek_ws();
    if (c == ']') return 0;
    if (c == ',' && !first) {
        ++p_;
        c = peek_ws();
        if (c == ']') return fail_peek("trailing comma"), -1;
        if (c == kEof) return fail_peek("EOF while parsing a value"), -1;
        return 1;
    }
    if (c == kEof) return fail_peek("EOF while parsing a list"), -1;
    if (!first) return fail_peek("expected `,` or `]`"), -1;
    first = false;
    return 1;
}

// Before an object member: 1 with the name read (just past its closing
// quote), 0 at the closing brace (not read), -1 on error.
int Reader::next_key(bool& first, std::string_view& key) {
    int c = peek_ws();
    if (c == '}') return 0;
    if (c == ',' && !first) {
        ++p_;
        c = peek_ws();
        if (c == '}') return fail_peek("trailing comma"), -1;
        if (c == kEof) return fail_peek("EOF while parsing a value"), -1;
    } else if (c == kEof) {
        return fail_peek("EOF while parsing an object"), -1;
    } else if (first) {
        first = false;
    } else {
        return fail_peek("expected `,` or `}`"), -1;
    }
    if (c != '"') return fail_peek("key must be a string"), -1;
    ++p_;
    return string(key) ? 1 : -1;
}

// A value of the wrong JSON type where `expected` was wanted; scalars are
// read first (their own faults win), containers are reported at the byte
// before their bracket.
bool Reader::invalid_type(const char* expected) {
    std::string found;
    int c = peek_ws();
    switch (c) {
        case kEof: return fail_peek("EOF while parsing a value");
        case 'n':
            ++p_;
            if (!ident("ull")) return false;
            found = "null";
            break;
        case 't':
            ++p_;
            if (!ident("rue")) return false;
            found = "boolean `true`";
            break;
        case 'f':
            ++p_;
            if (!ident("alse")) return false;
            found = "boolean `false`";
            break;
        case '"': {
            ++p_;
            std::string_view s;
            if (!string(s)) return false;
            found = "string " + quoted_for_message(s);
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

bool Reader::value(Value& out) {
    int c = peek_ws();
    switch (c) {
        case kEof: return fail_peek("EOF while parsing a value");
        case 'n':
            ++p_;
            if (!ident("ull")) return false;
            out.v.emplace<std::monostate>();
            return true;
        case 't':
            ++p_;
            if (!ident("rue")) return false;
            out.v.emplace<bool>(true);
            return true;
        case 'f':
            ++p_;
            if (!ident("alse")) return false;
            out.v.emplace<bool>(false);
            return true;
        case '"': {
            ++p_;
            std::string_view s;
            if (!string(s)) return false;
            out.v.emplace<std::string>(s);
            return true;
        }
        case '[': {
            if (!enter()) return false;
            ++p_;
            Array& a = out.v.emplace<Array>();
            bool first = true;
            for (;;) {
                int r = next_element(first);
                if (r < 0) return false;
                if (r == 0) break;
                if (!value(a.emplace_back())) return false;
            }
            ++p_;
            leave();
            return true;
        }
        case '{': {
            if (!enter()) return false;
            ++p_;
            Object& o = out.v.emplace<Object>();
            bool first = true;
            bool sorted = true;
            for (;;) {
                std::string_view key;
                int r = next_key(first, key);
                if (r < 0) return false;
                if (r == 0) break;
                if (!o.empty() && !(std::string_view(o.back().first) < key)) sorted = false;
                auto& entry = o.emplace_back(std::string(key), Value());
                if (!colon() || !value(entry.second)) return false;
            }
            ++p_;
            leave();
            // Written objects are already in key order; others are sorted
            // with the last of repeated names kept.
            if (!sorted) object_normalize(o);
            return true;
        }
        default:
            if (c == '-' || is_digit(c)) return number(out);
            return fail_peek("expected value");
    }
}

bool Reader::read_bool(bool& out) {
    int c = peek_ws();
    if (c == 't' || c == 'f') {
        ++p_;
        out = c == 't';
        return ident(out ? "rue" : "alse");
    }
    return invalid_type("a boolean");
}

bool Reader::read_string(std::string_view& out) {
    if (peek_ws() == '"') {
        ++p_;
        return string(out);
    }
    return invalid_type("a string");
}

bool Reader::read_properties(Properties& out) {
    if (peek_ws() != '{') return invalid_type("a map");
    if (!enter()) return false;
    ++p_;
    bool first = true;
    for (;;) {
        std::string_view key;
        int r = next_key(first, key);
        if (r < 0) return false;
        if (r == 0) break;
        std::string name(key);
        Value v;
        if (!colon() || !value(v)) return false;
        out.insert_or_assign(std::move(name), std::move(v));
    }
    ++p_;
    leave();
    return true;
}

template <class F>
bool Reader::read_seq(F&& element) {
    if (peek_ws() != '[') return invalid_type("a sequence");
    if (!enter()) return false;
    ++p_;
    bool first = true;
    for (;;) {
        int r = next_element(first);
        if (r < 0) return false;
        if (r == 0) break;
        if (!element()) return false;
    }
    ++p_;
    leave();
    return true;
}

// A record in object form (members in any order) or array form (fields in
// order); field(i) reads the value of field i.
template <class F>
bool Reader::read_record(const FieldShape& shape, F&& field) {
    int c = peek_ws();
    if (c == '{') {
        if (!enter()) return false;
        ++p_;
        unsigned seen = 0;
        bool first = true;
        for (;;) {
            std::string_view key;
            int r = next_key(first, key);
            if (r < 0) return false;
            if (r == 0) break;
            int f = 0;
            while (f < shape.count && shape.names[size_t(f)] != key) ++f;
            if (f == shape.count) {
                return fail_here(std::string("unknown field `").append(key).append("`, expected ").append(shape.expected));
            }
            if (seen & (1u << f))
                return fail_here(std::string("duplicate field `").append(shape.names[size_t(f)]).append("`"));
            seen |= 1u << f;
            if (!colon() || !field(f)) return false;
        }
        ++p_;  // the closing brace, where a missing field is reported
        leave();
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

bool Reader::read_node() {
    std::string_view id;
    Properties props;
    bool ok = read_record(kNodeShape, [&](int f) {
        if (f == 1) return read_properties(props);
        if (!read_string(id)) return false;
        id = stable(id, id_keep_);
        return true;
    });
    if (ok) take_node(id, std::move(props));
    return ok;
}

bool Reader::read_edge() {
    std::string_view source, target;
    Properties props;
    bool ok = read_record(kEdgeShape, [&](int f) {
        if (f == 2) return read_properties(props);
        std::string_view& s = f == 0 ? source : target;
        if (!read_string(s)) return false;
        s = stable(s, f == 0 ? source_keep_ : target_keep_);
        return true;
    });
    if (ok) take_edge(source, target, std::move(props));
    return ok;
}

bool Reader::read_graph_field(int f) {
    switch (f) {
        case 0:
            have_directed_ = true;
            return read_bool(directed_);
        case 1:
            have_multi_ = true;
            return read_bool(multi_);
        case 2: {
            std::string_view s;
            if (!read_string(s)) return false;
            name_.assign(s);
            return true;
        }
        case 3:
            if (!read_seq([&] { return read_node(); })) return false;
            nodes_done_ = true;
            return true;
        default:
            // With the flags known and every node in place, edges can go in
            // as they are read; otherwise they wait for the end of the text.
            if (have_directed_ && have_multi_ && nodes_done_) {
                edges_direct_ = true;
                set_flags();
            }
            return read_seq([&] { return read_edge(); });
    }
}

bool Reader::read_document() {
    if (!read_record(kGraphShape, [&](int f) { return read_graph_field(f); })) return false;
    if (peek_ws() != kEof) return fail_peek("trailing characters");
    return true;
}

// Nodes past a cap or after a refused node are only counted: the text must
// still be read to its end, but they can never reach the graph.
void Reader::take_node(std::string_view id, Properties props) {
    if (++nodes_seen_ > max_nodes_ || !node_error_.empty()) return;
    // add_node with a single index probe: claim the id, then fill a slot.
    // A taken id goes through add_node itself for the store's message.
    auto [it, fresh] = graph_.id_index.try_emplace(std::string(id), END);
    if (!fresh) {
        auto r = graph_.add_node(id, std::move(props));
        if (r) internal_failure("node id index disagrees with the store");
        node_error_ = r.error();
        return;
    }
    auto slot = graph_.inner.insert_node(NodeData{std::string(id), std::move(props)});
    if (!slot) {
        graph_.id_index.erase(it);
        node_error_ = slot.error();
        return;
    }
    it->second = slot.value();
    slots_.add(id, slot.value());
}

void Reader::take_edge(std::string_view source, std::string_view target, Properties props) {
    ++edges_seen_;
    if (edges_seen_ > max_edges_ || nodes_seen_ > max_nodes_ || !node_error_.empty() || !edge_error_.empty()) return;
    if (edges_direct_) add_edge_now(source, target, std::move(props));
    else pending_.push_back({std::string(source), std::string(target), std::move(props)});
}

// The store's add_edge, with the parallel-edge test through the pair set.
// Any refusal goes through add_edge itself so its message is the store's.
void Reader::add_edge_now(std::string_view source, std::string_view target, Properties props) {
    auto a = slots_.find(source, graph_.inner);
    auto b = slots_.find(target, graph_.inner);
    bool fresh = a && b;
    if (fresh && !multi_) {
        if (!pairs_) pairs_ = std::make_unique<PairSet>();
        uint32_t lo = *a, hi = *b;
        if (!directed_ && lo > hi) std::swap(lo, hi);
        fresh = pairs_->insert((uint64_t(lo) << 32) | hi);
    }
    if (!fresh) {
        auto r = graph_.add_edge(source, target, std::move(props));
        if (r) internal_failure("edge pair index disagrees with the store");
        edge_error_ = r.error();
        return;
    }
    auto r = graph_.inner.insert_edge(*a, *b, EdgeData{std::move(props)});
    if (!r) edge_error_ = r.error();
}

Result<PropertyGraph> Reader::finish() {
    if (nodes_seen_ > max_nodes_)
        return Error{"Graph JSON declares " + std::to_string(nodes_seen_) + " nodes; refusing above max_nodes=" +
                     std::to_string(max_nodes_) + " (raise VeskGraphSettings.max_nodes if intended)."};
    if (edges_seen_ > max_edges_)
        return Error{"Graph JSON declares " + std::to_string(edges_seen_) + " edges; refusing above max_edges=" +
                     std::to_string(max_edges_) + " (raise VeskGraphSettings.max_edges if intended)."};
    if (!node_error_.empty()) return Error{node_error_};
    set_flags();
    graph_.name = std::move(name_);
    if (!pending_.empty()) {
        if (!multi_) {
            pairs_ = std::make_unique<PairSet>();
            pairs_->reserve(pending_.size());
        }
        for (PendingEdge& e : pending_) {
            add_edge_now(e.source, e.target, std::move(e.properties));
            if (!edge_error_.empty()) break;
        }
    }
    if (!edge_error_.empty()) return Error{edge_error_};
    return std::move(graph_);
}

}  // namespace

Result<PropertyGraph> from_json(std::string_view text, uint64_t max_bytes, uint64_t max_nodes, uint64_t max_edges) {
    if (text.size() > max_bytes)
        return Error{"Graph JSON is " + std::to_string(text.size()) + " bytes; refusing to parse above " +
                     std::to_string(max_bytes) + " bytes (raise VeskGraphSettings.max_bytes if intended)."};
    Reader reader(text, max_nodes, max_edges);
    if (!reader.read_document()) return Error{std::move(reader.error())};
    return reader.finish();
}

}  // namespace vg
