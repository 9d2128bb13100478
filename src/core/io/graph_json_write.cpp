// Graph JSON writer: one compact pass over the store into a single buffer.
// Each record (the head, a node, an edge) first works out the most bytes it
// can take and makes room for them; it is then stored by raw pointer with
// no further checks. Strings are copied eight bytes at a time while no byte
// of them needs an escape, and edge endpoints are copied from the id text
// noted while the nodes were written, instead of from node slots read at
// random.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "core/io/graph_json.hpp"
#include "core/io/json_escape.hpp"
#include "core/io/json_number.hpp"
#include "core/support/prefetch.hpp"

namespace vg {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHigh = 0x8080808080808080ULL;

// Whether any of the eight bytes of w is below 0x20, a quotation mark or a
// backslash (the bytes that are written escaped).
inline bool needs_escape(uint64_t w) {
    auto has_zero = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    uint64_t below_space = (w - kOnes * 0x20) & ~w & kHigh;
    return (below_space | has_zero(w ^ (kOnes * '"')) | has_zero(w ^ (kOnes * '\\'))) != 0;
}

inline uint64_t load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The first n (< 8) bytes of w as they lie in memory, the others replaced by
// a byte that needs no escape.
inline uint64_t keep_first(uint64_t w, size_t n) {
    uint64_t keep = (uint64_t(1) << (8 * n)) - 1;
    return (w & keep) | (kOnes * 'a' & ~keep);
}

// ---- room ------------------------------------------------------------------

// Most bytes a number takes (to_chars of 64-bit integers, format_double).
constexpr size_t kNumberRoom = kDoubleTextMax;
// Strings up to this length are given room for every byte escaped; longer
// ones are counted, so that a huge string does not ask for six times its
// size.
constexpr size_t kCountAbove = size_t(1) << 16;

size_t counted_string_room(const std::string& s);

// Most bytes a quoted string takes, with 16 to spare for whole-word stores.
inline size_t string_room(const std::string& s) {
    size_t n = s.size();
    return n <= kCountAbove ? n * 6 + 18 : counted_string_room(s);
}

[[gnu::noinline]] size_t counted_string_room(const std::string& s) {
    size_t escaped = 0;
    for (char c : s) escaped += kJsonEscape[static_cast<unsigned char>(c)] != 0;
    return s.size() + escaped * 5 + 18;
}

size_t value_room(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Null:
        case Value::Kind::Bool: return 5;
        case Value::Kind::Number: return kNumberRoom;
        case Value::Kind::String: return string_room(*v.as_string());
        case Value::Kind::Array: {
            size_t r = 2;
            for (const Value& e : *v.as_array()) r += value_room(e) + 1;
            return r;
        }
        case Value::Kind::Object: {
            size_t r = 2;
            for (const auto& [k, e] : *v.as_object()) r += string_room(k) + value_room(e) + 2;
            return r;
        }
    }
    return 0;
}

// The properties member of a record and the record's end: ,"properties":{..}},
inline size_t properties_room(const Properties& props) {
    size_t r = 32;
    for (const auto& [k, v] : props) {
        r += string_room(k) + 2;
        // The common scalars without the general dispatch.
        if (v.as_number()) r += kNumberRoom;
        else if (const std::string* s = v.as_string()) r += string_room(*s);
        else r += value_room(v);
    }
    return r;
}

// ---- writing into room already made -------------------------------------

char* escape_rest(char* o, const char* p, const char* end);

char* long_content(char* o, const char* p, const char* end);

// The bytes of a string between its quotes.
[[gnu::always_inline]] inline char* content(char* o, const std::string& s) {
    const size_t n = s.size();
    const char* p = s.data();
    // A std::string always owns room for at least 15 bytes and its null, so
    // its first 16 bytes can be read whole; the bytes past its end are
    // masked before the test and overwritten in the output after it.
    if constexpr (std::endian::native == std::endian::little) {
        if (n <= 16 && s.capacity() >= 15) {
            uint64_t w0 = load8(p), w1 = load8(p + 8);
            uint64_t t0 = n >= 8 ? w0 : keep_first(w0, n);
            uint64_t t1 = n >= 16 ? w1 : n <= 8 ? kOnes * 'a' : keep_first(w1, n - 8);
            if (needs_escape(t0) || needs_escape(t1)) return escape_rest(o, p, p + n);
            std::memcpy(o, &w0, 8);
            std::memcpy(o + 8, &w1, 8);
            return o + n;
        }
    }
    return long_content(o, p, p + n);
}

[[gnu::noinline]] char* long_content(char* o, const char* p, const char* const end) {
    const size_t n = size_t(end - p);
    while (end - p >= 8) {
        uint64_t w = load8(p);
        if (needs_escape(w)) return escape_rest(o, p, end);
        std::memcpy(o, &w, 8);
        o += 8;
        p += 8;
    }
    // The last bytes: all so far went out unchanged, so the string's final
    // eight bytes can be stored over the tail of the copy.
    if (p == end) return o;
    if (n >= 8 && !needs_escape(load8(end - 8))) {
        o -= 8 - (end - p);
        std::memcpy(o, end - 8, 8);
        return o + 8;
    }
    return escape_rest(o, p, end);
}

// From the first byte that may need an escape on.
[[gnu::noinline]] char* escape_rest(char* o, const char* p, const char* end) {
    while (p < end) {
        if (end - p >= 8) {
            uint64_t w = load8(p);
            if (!needs_escape(w)) {
                std::memcpy(o, &w, 8);
                o += 8;
                p += 8;
                continue;
            }
        }
        unsigned char c = static_cast<unsigned char>(*p++);
        if (kJsonEscape[c]) o += write_json_escape(o, c);
        else *o++ = char(c);
    }
    return o;
}

inline char* put_string(char* o, const std::string& s) {
    *o++ = '"';
    o = content(o, s);
    *o++ = '"';
    return o;
}

template <size_t N>
inline char* put_lit(char* o, const char (&s)[N]) {
    std::memcpy(o, s, N - 1);
    return o + N - 1;
}

// Ends a list whose items are each followed by a comma: the last comma
// becomes the closing bracket, or the bracket follows the opening one.
inline char* close_list(char* o, char c) {
    if (o[-1] == ',') {
        o[-1] = c;
        return o;
    }
    *o = c;
    return o + 1;
}

inline char* put_number(char* o, const Number& n) {
    switch (n.form) {
        case Number::Form::U64: return std::to_chars(o, o + kNumberRoom, n.u).ptr;
        case Number::Form::I64: return std::to_chars(o, o + kNumberRoom, n.i).ptr;
        case Number::Form::F64: return o + format_double(n.d, o);
    }
    return o;
}

char* put_container(char* o, const Value& v);

inline char* put_value(char* o, const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Null: return put_lit(o, "null");
        case Value::Kind::Bool: return *v.as_bool() ? put_lit(o, "true") : put_lit(o, "false");
        case Value::Kind::Number: return put_number(o, *v.as_number());
        case Value::Kind::String: return put_string(o, *v.as_string());
        default: return put_container(o, v);
    }
}

char* put_container(char* o, const Value& v) {
    if (const Array* a = v.as_array()) {
        *o++ = '[';
        for (const Value& e : *a) {
            o = put_value(o, e);
            *o++ = ',';
        }
        return close_list(o, ']');
    }
    // Objects are kept sorted by key, which is the order they are written in.
    *o++ = '{';
    for (const auto& [k, e] : *v.as_object()) {
        o = put_string(o, k);
        *o++ = ':';
        o = put_value(o, e);
        *o++ = ',';
    }
    return close_list(o, '}');
}

inline char* put_properties_and_close(char* o, const Properties& props) {
    o = put_lit(o, ",\"properties\":{");
    for (const auto& [k, v] : props) {
        o = put_string(o, k);
        *o++ = ':';
        o = put_value(o, v);
        *o++ = ',';
    }
    o = close_list(o, '}');
    return put_lit(o, "},");
}

// The JSON text of a node id (escaped, without quotes), by slot. Short texts
// sit in the entry itself; long ones are found by their offset in the
// buffer, where the nodes section holds them.
struct IdText {
    static constexpr unsigned char kLong = 0xFE, kVacant = 0xFF;
    static constexpr size_t kInline = 15;
    alignas(16) unsigned char tag;  // text length when at most kInline
    char text[kInline];

    // A long text: its offset in 8 bytes, its length in the other 7.
    void set_long(uint64_t offset, uint64_t length) {
        std::memcpy(text, &offset, 8);
        for (int i = 0; i < 7; ++i) text[8 + i] = char(length >> (8 * i));
    }
    uint64_t long_offset() const {
        uint64_t v;
        std::memcpy(&v, text, 8);
        return v;
    }
    uint64_t long_length() const {
        uint64_t v = 0;
        for (int i = 0; i < 7; ++i) v |= uint64_t(static_cast<unsigned char>(text[8 + i])) << (8 * i);
        return v;
    }
    // Most bytes the quoted text takes, with room for a whole-entry copy.
    size_t room() const { return tag <= kInline ? kInline + 2 : long_length() + 2; }
};
static_assert(sizeof(IdText) == 16 && std::is_trivially_copyable_v<IdText>);

// The entries of every node slot, all vacant at first. Edges read them at
// random, so a large table is given huge pages where the system allows.
class IdTable {
public:
    explicit IdTable(size_t slots) : block_(slots * sizeof(IdText)), size_(slots) {
        std::memset(block_.data(), IdText::kVacant, slots * sizeof(IdText));
    }
    size_t size() const { return size_; }
    IdText& operator[](size_t n) { return reinterpret_cast<IdText*>(block_.data())[n]; }

private:
    LargeBlock block_;
    size_t size_;
};

// Writes records into a TextBuffer: each asks for its room once.
class Writer {
public:
    explicit Writer(TextBuffer& buf) : buf_(buf) {}

    // Starts a record of at most n bytes and returns where it goes.
    char* begin(size_t n) {
        buf_.ensure(n);
        room_end_ = buf_.end() + n;
        return buf_.end();
    }
    // Ends the record at o.
    void end(char* o) {
        if (o > room_end_) internal_failure("graph JSON record outgrew its room");
        buf_.set_end(o);
    }
    size_t offset(const char* o) const { return size_t(o - buf_.data()); }
    const char* at(uint64_t offset) const { return buf_.data() + offset; }

    void node(const NodeData& node, IdText& id);
    void edge(const IdText& source, const IdText& target, const Properties& props);

private:
    char* endpoint(char* o, const IdText& id) {
        *o++ = '"';
        if (id.tag <= IdText::kInline) {
            std::memcpy(o, id.text, IdText::kInline);
            o += id.tag;
        } else {
            size_t len = id.long_length();
            std::memcpy(o, at(id.long_offset()), len);
            o += len;
        }
        *o++ = '"';
        return o;
    }

    TextBuffer& buf_;
    const char* room_end_ = nullptr;
};

void Writer::node(const NodeData& node, IdText& id) {
    char* o = begin(8 + string_room(node.id) + properties_room(node.properties));
    o = put_lit(o, "{\"id\":\"");
    char* text = o;
    o = content(o, node.id);
    size_t len = size_t(o - text);
    if (len <= IdText::kInline) {
        id.tag = static_cast<unsigned char>(len);
        std::memcpy(id.text, text, len);
    } else {
        id.tag = IdText::kLong;
        id.set_long(offset(text), len);
    }
    *o++ = '"';
    end(put_properties_and_close(o, node.properties));
}

void Writer::edge(const IdText& source, const IdText& target, const Properties& props) {
    if (source.tag == IdText::kVacant || target.tag == IdText::kVacant)
        internal_failure("edge endpoint refers to a vacant node slot");
    char* o = begin(24 + source.room() + target.room() + properties_room(props));
    o = put_lit(o, "{\"source\":");
    o = endpoint(o, source);
    o = put_lit(o, ",\"target\":");
    o = endpoint(o, target);
    end(put_properties_and_close(o, props));
}

}  // namespace

bool write_graph_json(const PropertyGraph& g, TextBuffer& text, uint64_t limit) {
    // A first guess at the size saves most regrowth on large graphs; under
    // a limit it need never be more than the limit.
    const uint64_t guess = text.size() + 128 + g.name().size() + uint64_t(g.node_count()) * 128 +
                           uint64_t(g.edge_count()) * 128;
    text.reserve(size_t(std::min(guess, limit)));
    auto over = [&] { return text.size() > limit; };
    Writer out(text);
    char* o = out.begin(64 + string_room(g.name()));
    o = g.directed() ? put_lit(o, "{\"directed\":true") : put_lit(o, "{\"directed\":false");
    o = g.multi() ? put_lit(o, ",\"multi\":true,\"name\":") : put_lit(o, ",\"multi\":false,\"name\":");
    o = put_string(o, g.name());
    out.end(put_lit(o, ",\"nodes\":["));
    if (over()) return false;

    const GraphInner& s = g.store();
    IdTable ids(s.node_slots());
    for (uint32_t n = 0, slots = s.node_slots(); n < slots; ++n) {
        const NodeData* node = s.find_record(n);
        if (!node) continue;
        out.node(*node, ids[n]);
        if (over()) return false;
    }

    o = out.begin(16);
    out.end(put_lit(close_list(o, ']'), ",\"edges\":["));
    if (over()) return false;
    // Endpoints lead to ids in no particular order: their entries are
    // fetched some edges ahead, then the text of a long one.
    constexpr size_t kAhead = 8;
    const uint32_t m = s.edge_slots();
    const size_t slots = ids.size();
    for (uint32_t i = 0; i < m; ++i) {
        // A vacant slot's ends are END, past every slot.
        if (i + 2 * kAhead < m) {
            const EdgeEnds far = s.ends(i + uint32_t(2 * kAhead));
            if (far.source < slots) vg::prefetch_read(&ids[far.source]);
            if (far.target < slots) vg::prefetch_read(&ids[far.target]);
        }
        if (i + kAhead < m) {
            const EdgeEnds near = s.ends(i + uint32_t(kAhead));
            for (uint32_t n : {near.source, near.target})
                if (n < slots && ids[n].tag == IdText::kLong) vg::prefetch_read(out.at(ids[n].long_offset()));
        }
        if (!s.edge_live(i)) continue;
        const EdgeEnds e = s.ends(i);
        if (e.source >= slots || e.target >= slots) internal_failure("edge endpoint refers to a vacant node slot");
        out.edge(ids[e.source], ids[e.target], s.edge(i).properties);
        if (over()) return false;
    }
    o = out.begin(2);
    out.end(put_lit(close_list(o, ']'), "}"));
    return true;
}

Result<TextBuffer> to_json(const PropertyGraph& g) {
    TextBuffer text;
    write_graph_json(g, text);
    return text;
}

}  // namespace vg
