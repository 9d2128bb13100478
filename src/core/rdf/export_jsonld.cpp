// JSON-LD export: the edges grouped by source into node objects, written
// directly as indented JSON (two spaces per level, members in byte order).
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "export.hpp"

namespace vg::rdf {

namespace {

// Per byte: 0 = written as is, otherwise the letter after the backslash
// ('u' for the \u00XX form).
constexpr std::array<char, 256> kEscape = [] {
    std::array<char, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[size_t(c)] = 'u';
    t['\b'] = 'b';
    t['\f'] = 'f';
    t['\n'] = 'n';
    t['\r'] = 'r';
    t['\t'] = 't';
    t['"'] = '"';
    t['\\'] = '\\';
    return t;
}();

void json_string(std::string& out, std::string_view s) {
    out += '"';
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char e = kEscape[c];
        if (!e) continue;
        out.append(s.substr(run, i - run));
        out += '\\';
        out += e;
        if (e == 'u') {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        run = i + 1;
    }
    out.append(s.substr(run));
    out += '"';
}

void newline(std::string& out, size_t indent) {
    out += '\n';
    out.append(indent, ' ');
}

// {"@id": id} opening on the current line, its member one level deeper.
void node_reference(std::string& out, std::string_view id, size_t indent) {
    out += '{';
    newline(out, indent + 2);
    out += "\"@id\": ";
    json_string(out, id);
    newline(out, indent);
    out += '}';
}

struct Pair {
    std::string_view label;
    uint32_t target;
};

constexpr size_t kEntryIndent = 4;
constexpr size_t kMemberIndent = 6;

// One member of a subject's node object: a single reference, or an array
// of references for a label that several edges carry.
void label_member(std::string& out, const GraphInner& store, const Pair* first, const Pair* last) {
    json_string(out, first->label);
    out += ": ";
    if (last - first == 1) {
        node_reference(out, store.id_of(first->target), kMemberIndent);
        return;
    }
    out += '[';
    for (const Pair* p = first; p != last; ++p) {
        if (p != first) out += ',';
        newline(out, kMemberIndent + 2);
        node_reference(out, store.id_of(p->target), kMemberIndent + 2);
    }
    newline(out, kMemberIndent);
    out += ']';
}

// The subject's node object: "@id" and one member per label, in byte
// order. A label "@id" takes the place of the subject's own "@id".
void subject_entry(std::string& out, const GraphInner& store, std::string_view id, std::vector<Pair>& pairs) {
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.label < b.label; });
    constexpr std::string_view kId = "@id";
    out += '{';
    bool first_member = true;
    auto next_member = [&] {
        if (!first_member) out += ',';
        first_member = false;
        newline(out, kMemberIndent);
    };
    bool id_written = false;
    for (size_t i = 0; i < pairs.size();) {
        size_t j = i + 1;
        while (j < pairs.size() && pairs[j].label == pairs[i].label) ++j;
        if (!id_written && pairs[i].label >= kId) {
            if (pairs[i].label != kId) {
                next_member();
                out += "\"@id\": ";
                json_string(out, id);
            }
            id_written = true;
        }
        next_member();
        label_member(out, store, pairs.data() + i, pairs.data() + j);
        i = j;
    }
    if (!id_written) {
        next_member();
        out += "\"@id\": ";
        json_string(out, id);
    }
    newline(out, kEntryIndent);
    out += '}';
}

}  // namespace

Result<std::string> serialize_graph_jsonld(const PropertyGraph& g) {
    const GraphInner& store = g.inner;
    const size_t n_nodes = store.nodes.size();

    // Edges grouped by source slot, each group in edge slot order.
    std::vector<uint32_t> start(n_nodes + 1, 0);
    std::vector<uint8_t> is_target(n_nodes, 0);
    for (const EdgeSlot& e : store.edges) {
        if (!e.weight) continue;
        ++start[e.node[0] + 1];
        is_target[e.node[1]] = 1;
    }
    for (size_t n = 0; n < n_nodes; ++n) start[n + 1] += start[n];
    std::vector<uint32_t> by_source(start[n_nodes]);
    {
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (uint32_t e = 0; e < store.edges.size(); ++e)
            if (store.edges[e].weight) by_source[fill[store.edges[e].node[0]]++] = e;
    }

    std::vector<uint32_t> subjects;
    for (uint32_t n = 0; n < n_nodes; ++n)
        if (start[n + 1] > start[n]) subjects.push_back(n);
    std::sort(subjects.begin(), subjects.end(),
              [&](uint32_t a, uint32_t b) { return std::string_view(store.id_of(a)) < std::string_view(store.id_of(b)); });

    std::string out;
    out.reserve(128);
    out += "{\n  \"@graph\": [";
    bool first_entry = true;
    auto next_entry = [&] {
        if (!first_entry) out += ',';
        first_entry = false;
        newline(out, kEntryIndent);
    };
    std::vector<Pair> pairs;
    for (uint32_t s : subjects) {
        pairs.clear();
        for (uint32_t k = start[s]; k < start[s + 1]; ++k) {
            const EdgeSlot& e = store.edges[by_source[k]];
            pairs.push_back({export_predicate(*e.weight), e.node[1]});
        }
        next_entry();
        subject_entry(out, store, store.id_of(s), pairs);
    }
    // Nodes reached only as targets get a bare reference; isolated nodes
    // are left out.
    for (uint32_t n = 0; n < n_nodes; ++n) {
        if (!store.node_live(n) || !is_target[n] || start[n + 1] > start[n]) continue;
        next_entry();
        node_reference(out, store.id_of(n), kEntryIndent);
    }
    if (first_entry) out += "]\n}";
    else out += "\n  ]\n}";
    return out;
}

}  // namespace vg::rdf
