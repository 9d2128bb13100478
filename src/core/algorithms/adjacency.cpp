// Building the adjacency snapshot. While no edge slot was ever reused,
// every list runs by descending slot number, so the lists come from two
// sequential passes over the edge vector (count, then fill from the highest
// slot down) instead of one pointer chase per edge; otherwise the linked
// lists themselves are walked.
#include "adjacency.hpp"

#include <string>

#include "algorithms.hpp"

namespace vg {

namespace {

// Cache slots of the fixed items.
enum : size_t { kOut = 0, kIn = 1, kUndirected = 2, kEdges = 3 };

void check_fresh(uint64_t built, const GraphInner& s) {
    if (built != s.generation) internal_failure("adjacency snapshot used after its graph changed");
}

AdjacencyList walk_lists(const GraphInner& s, Walk w) {
    const size_t slots = s.nodes.size();
    AdjacencyList out;
    out.generation = s.generation;
    out.first.resize(slots + 1);
    size_t total = w == Walk::Undirected ? 2 * size_t(s.edge_count) : size_t(s.edge_count);
    out.targets.reserve(total);
    out.edges.reserve(total);
    auto add = [&](uint32_t e, uint32_t m) {
        out.targets.push_back(m);
        out.edges.push_back(e);
    };
    for (uint32_t n = 0; n < slots; ++n) {
        out.first[n] = uint32_t(out.targets.size());
        if (!s.node_live(n)) continue;
        if (w == Walk::Out) s.walk_out(n, add);
        else if (w == Walk::In) s.walk_in(n, add);
        else s.walk_undirected(n, add);
    }
    out.first[slots] = uint32_t(out.targets.size());
    return out;
}

// The same lists from the slot vector, valid while edges_in_slot_order:
// count each node's entries, then fill from the highest slot down. Counts
// and cursors are 32-bit like the positions, which halves the memory the
// two scattered passes touch.
AdjacencyList slot_lists(const GraphInner& s, Walk w) {
    const size_t slots = s.nodes.size();
    const uint32_t edge_slots = uint32_t(s.edges.size());
    const bool undirected = w == Walk::Undirected;
    const int key = w == Walk::In ? 1 : 0;  // the endpoint whose list holds the entry
    // The undirected walk of n holds its outgoing entries, then its
    // incoming ones without self-loops: `first` counts the former,
    // `second` the latter.
    std::vector<uint32_t> first(slots, 0), second(undirected ? slots : 0, 0);
    for (uint32_t e = 0; e < edge_slots; ++e) {
        const EdgeSlot& x = s.edges[e];
        if (!x.data) continue;
        ++first[x.node[key]];
        if (undirected && x.node[0] != x.node[1]) ++second[x.node[1]];
    }
    AdjacencyList out;
    out.generation = s.generation;
    out.first.resize(slots + 1);
    uint32_t at = 0;
    for (size_t n = 0; n < slots; ++n) {
        out.first[n] = at;
        const uint32_t own = first[n];
        first[n] = at;  // now the cursor of the first part
        at += own;
        if (undirected) {
            const uint32_t other = second[n];
            second[n] = at;  // and of the second part
            at += other;
        }
    }
    out.first[slots] = at;
    out.targets.resize(at);
    out.edges.resize(at);
    for (uint32_t e = edge_slots; e-- > 0;) {
        const EdgeSlot& x = s.edges[e];
        if (!x.data) continue;
        const uint32_t a = x.node[key], b = x.node[1 - key];
        const uint32_t i = first[a]++;
        out.targets[i] = b;
        out.edges[i] = e;
        if (undirected && a != b) {
            const uint32_t j = second[b]++;
            out.targets[j] = a;
            out.edges[j] = e;
        }
    }
    return out;
}

AdjacencyList build_lists(const GraphInner& s, Walk w) {
    // Entry positions are 32-bit; only the undirected walk, which lists an
    // edge at both ends, can outgrow them.
    if (w == Walk::Undirected && 2 * s.edge_count > uint64_t(UINT32_MAX))
        internal_failure("graph too large for a 32-bit adjacency snapshot");
    return s.edges_in_slot_order ? slot_lists(s, w) : walk_lists(s, w);
}

Walk resolve(const GraphInner& s, Walk w) {
    if (w == Walk::Neighbors) return s.is_directed() ? Walk::Out : Walk::Undirected;
    return w;
}

size_t slot_of(Walk w) { return w == Walk::Out ? kOut : w == Walk::In ? kIn : kUndirected; }

// Weights of the given edge slots. Read in slot order first (records and
// their property maps lie about in allocation order, so the reads stream),
// then gathered into the order asked for.
std::vector<double> weights_of(const GraphInner& s, const std::vector<uint32_t>& edges, std::string_view key) {
    std::vector<double> by_slot(s.edges.size(), 1.0);
    for (size_t e = 0; e < s.edges.size(); ++e)
        if (s.edges[e].data) by_slot[e] = edge_weight(s.edges[e].data->properties, key);
    std::vector<double> out(edges.size());
    for (size_t i = 0; i < edges.size(); ++i) out[i] = by_slot[edges[i]];
    return out;
}

}  // namespace

const AdjacencyList& adjacency(const GraphInner& s, Walk w) {
    w = resolve(s, w);
    const AdjacencyList& out = s.derived.get<AdjacencyList>(slot_of(w), [&] { return build_lists(s, w); });
    check_fresh(out.generation, s);
    return out;
}

const AdjacencyList* cached_adjacency(const GraphInner& s, Walk w) {
    w = resolve(s, w);
    const AdjacencyList* out = s.derived.peek<AdjacencyList>(slot_of(w));
    if (out) check_fresh(out->generation, s);
    return out;
}

const EdgeArrays& live_edges(const GraphInner& s) {
    const EdgeArrays& out = s.derived.get<EdgeArrays>(kEdges, [&] {
        EdgeArrays a;
        a.generation = s.generation;
        a.source.reserve(s.edge_count);
        a.target.reserve(s.edge_count);
        a.edge.reserve(s.edge_count);
        for (uint32_t e = 0; e < s.edges.size(); ++e) {
            const EdgeSlot& x = s.edges[e];
            if (!x.data) continue;
            a.source.push_back(x.node[0]);
            a.target.push_back(x.node[1]);
            a.edge.push_back(e);
        }
        return a;
    });
    check_fresh(out.generation, s);
    return out;
}

EdgeWeights walk_weights(const GraphInner& s, Walk w, std::string_view key) {
    w = resolve(s, w);
    const AdjacencyList& list = adjacency(s, w);
    // Keys are told apart by their walk: one byte in front of the name.
    std::string tag(1, char('0' + slot_of(w)));
    tag += key;
    return EdgeWeights(
        s.derived.get_keyed<std::vector<double>>(tag, [&] { return weights_of(s, list.edges, key); }));
}

EdgeWeights live_edge_weights(const GraphInner& s, std::string_view key) {
    const EdgeArrays& edges = live_edges(s);
    std::string tag(1, char('0' + kEdges));
    tag += key;
    return EdgeWeights(
        s.derived.get_keyed<std::vector<double>>(tag, [&] { return weights_of(s, edges.edge, key); }));
}

}  // namespace vg
