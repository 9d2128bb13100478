// Graph JSON writer: one compact pass over the store into a single buffer.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "core/io/graph_json.hpp"
#include "core/io/json_escape.hpp"
#include "core/io/json_number.hpp"

namespace vg {

namespace {

// Appends into a string by raw pointer, growing it geometrically; the
// string is cut to the written length by finish().
class Out {
public:
    explicit Out(std::string& s) : s_(s), len_(s.size()) {}
    char* room(size_t n) {
        if (s_.size() - len_ < n) s_.resize(std::max(s_.size() * 2, len_ + n + 256));
        return s_.data() + len_;
    }
    void commit(size_t n) { len_ += n; }
    void put(char c) {
        *room(1) = c;
        ++len_;
    }
    void put(std::string_view v) {
        if (v.empty()) return;  // an empty view may hold a null pointer, which memcpy must not see
        std::memcpy(room(v.size()), v.data(), v.size());
        len_ += v.size();
    }
    void finish() { s_.resize(len_); }

private:
    std::string& s_;
    size_t len_;
};

void write_string(Out& out, std::string_view s) {
    out.put('"');
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        const char* run = p;
        while (p < end && !kJsonEscape[static_cast<unsigned char>(*p)]) ++p;
        if (p != run) out.put(std::string_view(run, size_t(p - run)));
        if (p == end) break;
        unsigned char c = static_cast<unsigned char>(*p++);
        out.commit(write_json_escape(out.room(6), c));
    }
    out.put('"');
}

void write_number(Out& out, const Number& n) {
    char* o = out.room(kDoubleTextMax);
    switch (n.form) {
        case Number::Form::U64: out.commit(size_t(std::to_chars(o, o + kDoubleTextMax, n.u).ptr - o)); break;
        case Number::Form::I64: out.commit(size_t(std::to_chars(o, o + kDoubleTextMax, n.i).ptr - o)); break;
        case Number::Form::F64: out.commit(format_double(n.d, o)); break;
    }
}

void write_value(Out& out, const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Null: out.put("null"); break;
        case Value::Kind::Bool: out.put(*v.as_bool() ? std::string_view("true") : std::string_view("false")); break;
        case Value::Kind::Number: write_number(out, *v.as_number()); break;
        case Value::Kind::String: write_string(out, *v.as_string()); break;
        case Value::Kind::Array: {
            out.put('[');
            bool first = true;
            for (const Value& e : *v.as_array()) {
                if (!first) out.put(',');
                first = false;
                write_value(out, e);
            }
            out.put(']');
            break;
        }
        case Value::Kind::Object: {
            // Objects are kept sorted by key, which is the order they are written in.
            out.put('{');
            bool first = true;
            for (const auto& [k, e] : *v.as_object()) {
                if (!first) out.put(',');
                first = false;
                write_string(out, k);
                out.put(':');
                write_value(out, e);
            }
            out.put('}');
            break;
        }
    }
}

void write_properties(Out& out, const Properties& props) {
    out.put('{');
    bool first = true;
    for (const auto& [k, v] : props) {
        if (!first) out.put(',');
        first = false;
        write_string(out, k);
        out.put(':');
        write_value(out, v);
    }
    out.put('}');
}

inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

}  // namespace

void write_graph_json(const PropertyGraph& g, std::string& text) {
    // A first guess at the size saves most regrowth on large graphs.
    text.reserve(text.size() + 64 + g.name().size() + g.node_count() * 48 + g.edge_count() * 48);
    Out out(text);
    out.put(g.directed() ? std::string_view("{\"directed\":true") : std::string_view("{\"directed\":false"));
    out.put(g.multi() ? std::string_view(",\"multi\":true,\"name\":") : std::string_view(",\"multi\":false,\"name\":"));
    write_string(out, g.name());
    out.put(",\"nodes\":[");
    bool first = true;
    g.store().for_each_node([&](uint32_t, const NodeData& d) {
        out.put(first ? std::string_view("{\"id\":") : std::string_view(",{\"id\":"));
        first = false;
        write_string(out, d.id);
        out.put(",\"properties\":");
        write_properties(out, d.properties);
        out.put('}');
    });
    out.put("],\"edges\":[");
    first = true;
    // Endpoint ids sit in random node slots: fetch them some edges ahead so
    // the memory latency overlaps the writing.
    constexpr size_t kAhead = 16;
    const GraphInner& s = g.store();
    const uint32_t slots = s.edge_slots();
    for (uint32_t e = 0; e < slots; ++e) {
        if (e + kAhead < slots) {
            const EdgeEnds ahead = s.ends(e + uint32_t(kAhead));
            if (ahead.source != END) s.prefetch_node(ahead.source);
            if (ahead.target != END) s.prefetch_node(ahead.target);
        }
        if (!s.edge_live(e)) continue;
        const EdgeEnds x = s.ends(e);
        out.put(first ? std::string_view("{\"source\":") : std::string_view(",{\"source\":"));
        first = false;
        write_string(out, s.id_of(x.source));
        out.put(",\"target\":");
        write_string(out, s.id_of(x.target));
        out.put(",\"properties\":");
        write_properties(out, s.edge(e).properties);
        out.put('}');
    }
    out.put("]}");
    out.finish();
}

Result<std::string> to_json(const PropertyGraph& g) {
    std::string text;
    write_graph_json(g, text);
    return text;
}

}  // namespace vg
