// JSON-LD export: the edges grouped by source into node objects, written
// directly as indented JSON (two spaces per level, members in byte order).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/rdf/write/export.hpp"
#include "core/rdf/write/export_nodes.hpp"
#include "core/support/text_numbers.hpp"
#include "core/io/json_escape.hpp"

namespace vg::rdf {

namespace {

// Whether any of the 8 bytes is a control, '"' or '\\'.
inline bool needs_escape(uint64_t w) {
    constexpr uint64_t ones = 0x0101010101010101ULL, high = 0x8080808080808080ULL;
    auto zero_byte = [&](uint64_t x) { return (x - ones) & ~x & high; };
    uint64_t below_space = (w - ones * 0x20) & ~w & high;
    return below_space | zero_byte(w ^ (ones * '"')) | zero_byte(w ^ (ones * '\\'));
}

void json_string(std::string& out, std::string_view s) {
    out += '"';
    // Ids rarely hold anything to escape: skip them eight bytes at a time.
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        if (needs_escape(w)) break;
    }
    size_t run = 0;
    for (; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (!kJsonEscape[c]) continue;
        out.append(s.substr(run, i - run));
        char esc[6];
        out.append(esc, write_json_escape(esc, c));
        run = i + 1;
    }
    out.append(s.substr(run));
    out += '"';
}

void newline(std::string& out, size_t indent) {
    static constexpr std::string_view kLines = "\n                ";
    out += kLines.substr(0, indent + 1);
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

// One edge of a subject: its label (by rank in byte order) and its target.
struct Pair {
    uint32_t label;
    uint32_t target;
};

// The distinct labels of a graph's edges by rank in byte order.
class Labels {
public:
    explicit Labels(const TextNumbers& numbers) : texts_(numbers.size()), rank_of_(numbers.size()) {
        std::vector<uint32_t> by_rank(numbers.size());
        for (uint32_t i = 0; i < by_rank.size(); ++i) by_rank[i] = i;
        std::sort(by_rank.begin(), by_rank.end(), [&](uint32_t a, uint32_t b) { return numbers[a] < numbers[b]; });
        for (uint32_t r = 0; r < by_rank.size(); ++r) {
            rank_of_[by_rank[r]] = r;
            texts_[r] = numbers[by_rank[r]];
        }
    }
    uint32_t rank(uint32_t number) const { return rank_of_[number]; }
    std::string_view operator[](uint32_t rank) const { return texts_[rank]; }
    size_t size() const { return texts_.size(); }

private:
    std::vector<std::string_view> texts_;
    std::vector<uint32_t> rank_of_;
};

constexpr size_t kEntryIndent = 4;
constexpr size_t kMemberIndent = 6;
// Bytes written beyond the ids: for a reference in an array, for a node
// object, and for each member (a label and its brackets) of a usual label.
constexpr size_t kReferenceRoom = 44;
constexpr size_t kEntryRoom = 32;
constexpr size_t kMemberRoom = 56;

// The subject's node object: "@id" and one member per label, in byte
// order; a label with one edge holds a single reference, one with several
// an array of them. A label "@id" takes the place of the subject's own
// "@id". `pairs` are the subject's edges in edge slot order.
void subject_entry(std::string& out, const NodeIds& ids, const Labels& labels, std::string_view id,
                   std::vector<Pair>& pairs) {
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
        std::string_view label = labels[pairs[i].label];
        if (!id_written && label >= kId) {
            if (label != kId) {
                next_member();
                out += "\"@id\": ";
                json_string(out, id);
            }
            id_written = true;
        }
        next_member();
        json_string(out, label);
        out += ": ";
        if (j - i == 1) {
            node_reference(out, ids[pairs[i].target], kMemberIndent);
        } else {
            out += '[';
            for (size_t k = i; k < j; ++k) {
                if (k != i) out += ',';
                newline(out, kMemberIndent + 2);
                node_reference(out, ids[pairs[k].target], kMemberIndent + 2);
            }
            newline(out, kMemberIndent);
            out += ']';
        }
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
    const GraphInner& store = g.store();
    const NodeIds ids(store);
    const size_t n_nodes = ids.size();

    // One pass in slot order: each edge's label, edge count per source, and
    // which nodes some edge reaches.
    TextNumbers numbers;
    std::vector<uint32_t> label_of(store.edge_slots());
    std::vector<uint32_t> out_edges(n_nodes, 0);
    std::vector<uint32_t> in_edges(n_nodes, 0);
    store.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData& d) {
        label_of[e] = numbers.number(export_predicate(d)).number;
        ++out_edges[x.source];
        ++in_edges[x.target];
    });
    const Labels labels(numbers);
    // Subjects in byte order of their ids; then every edge placed in that
    // order, each subject's edges in edge slot order.
    std::vector<uint32_t> subjects;
    for (uint32_t n = 0; n < n_nodes; ++n)
        if (out_edges[n]) subjects.push_back(n);
    std::sort(subjects.begin(), subjects.end(), [&](uint32_t a, uint32_t b) { return ids[a] < ids[b]; });
    std::vector<uint32_t> fill(n_nodes, 0);
    uint32_t placed = 0;
    for (uint32_t s : subjects) {
        fill[s] = placed;
        placed += out_edges[s];
    }
    std::vector<Pair> placed_pairs(placed);
    store.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        placed_pairs[fill[x.source]++] = {labels.rank(label_of[e]), x.target};
    });
    std::vector<uint32_t>().swap(label_of);

    std::string out;
    // Room for each id as often as it is written, and usual labels, so the
    // text is seldom copied while it grows and the room is never far more
    // than the text; pages never written are never touched.
    size_t room = 128;
    for (uint32_t n = 0; n < n_nodes; ++n) {
        if (!out_edges[n] && !in_edges[n]) continue;
        const size_t id = ids.length(n);
        room += in_edges[n] * (id + kReferenceRoom);
        if (out_edges[n]) room += id + kEntryRoom + std::min<size_t>(out_edges[n], labels.size()) * kMemberRoom;
        else room += id + kEntryRoom;
    }
    out.reserve(room);
    out += "{\n  \"@graph\": [";
    bool first_entry = true;
    auto next_entry = [&] {
        if (!first_entry) out += ',';
        first_entry = false;
        newline(out, kEntryIndent);
    };
    // Targets are scattered in memory: ask for each one's entry, then its
    // text, a few edges ahead.
    constexpr size_t kAhead = 32;
    std::vector<Pair> pairs;
    size_t k = 0;
    for (size_t i = 0; i < subjects.size(); ++i) {
        if (i + 8 < subjects.size()) ids.prefetch_text(subjects[i + 8]);
        uint32_t s = subjects[i];
        pairs.clear();
        for (uint32_t c = 0; c < out_edges[s]; ++c, ++k) {
            if (k + 2 * kAhead < placed) ids.prefetch_entry(placed_pairs[k + 2 * kAhead].target);
            if (k + kAhead < placed) ids.prefetch_text(placed_pairs[k + kAhead].target);
            pairs.push_back(placed_pairs[k]);
        }
        next_entry();
        subject_entry(out, ids, labels, ids[s], pairs);
    }
    // Nodes reached only as targets get a bare reference; isolated nodes
    // are left out.
    for (uint32_t n = 0; n < n_nodes; ++n) {
        if (!in_edges[n] || out_edges[n]) continue;
        next_entry();
        node_reference(out, ids[n], kEntryIndent);
    }
    if (first_entry) out += "]\n}";
    else out += "\n  ]\n}";
    return out;
}

}  // namespace vg::rdf
