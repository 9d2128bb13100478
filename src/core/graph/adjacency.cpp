// Building the adjacency snapshot, and the weight tables beside it.
#include "core/graph/adjacency.hpp"

#include <array>
#include <string>

#include "core/algorithms/algorithms.hpp"

namespace vg {

namespace {

// Cache slots of the fixed items.
enum : size_t { kOut = 0, kIn = 1, kUndirected = 2, kEdges = 3 };

void check_fresh(uint64_t built, const GraphInner& s) {
    if (built != s.generation) internal_failure("adjacency snapshot used after its graph changed");
}

// Follows list k (0 outgoing, 1 incoming) of every live node, several
// lists at once so that their loads overlap instead of waiting on each
// other, writing node n's entries from at[n] up to (not past) end[n].
// skip_loops leaves self-loops out (the incoming part of the undirected
// walk).
void follow_lists(const GraphInner& s, int k, const std::vector<uint32_t>& at, const std::vector<uint32_t>& end,
                  bool skip_loops, AdjacencyList& out) {
    constexpr size_t kLanes = 16;
    struct Lane {
        uint32_t node = END;
        uint32_t edge = END;
        uint32_t pos = 0;
    };
    std::array<Lane, kLanes> lanes{};
    const uint32_t slots = uint32_t(s.nodes.size());
    uint32_t next_node = 0;
    auto refill = [&](Lane& lane) {
        while (next_node < slots) {
            const uint32_t v = next_node++;
            if (!s.node_live(v) || s.nodes[v].next[k] == END) continue;
            lane = {v, s.nodes[v].next[k], at[v]};
            __builtin_prefetch(&s.edges[lane.edge]);
            return true;
        }
        lane.edge = END;
        return false;
    };
    size_t active = 0;
    for (Lane& lane : lanes)
        if (refill(lane)) ++active;
    while (active) {
        for (Lane& lane : lanes) {
            if (lane.edge == END) continue;
            const EdgeSlot& e = s.edges[lane.edge];
            const uint32_t other = e.node[1 - k];
            if (!(skip_loops && other == lane.node)) {
                if (lane.pos >= end[lane.node]) internal_failure("adjacency list longer than its node's edge count");
                out.targets[lane.pos] = other;
                out.edges[lane.pos] = lane.edge;
                ++lane.pos;
            }
            lane.edge = e.next[k];
            if (lane.edge != END) __builtin_prefetch(&s.edges[lane.edge]);
            else if (!refill(lane)) --active;
        }
    }
}

// Each node's entries are counted from the slot vector first, then its
// lists are followed into place. Counts and cursors are 32-bit like the
// positions, which halves the memory the scattered passes touch.
AdjacencyList list_arrays(const GraphInner& s, Walk w) {
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
    // The first part ends where the second starts, or at the node's end.
    const std::vector<uint32_t> ends(out.first.begin() + 1, out.first.end());
    follow_lists(s, key, first, undirected ? second : ends, false, out);
    if (undirected) follow_lists(s, 1, second, ends, true, out);
    return out;
}

AdjacencyList build_lists(const GraphInner& s, Walk w) {
    // Entry positions are 32-bit; only the undirected walk, which lists an
    // edge at both ends, can outgrow them.
    if (w == Walk::Undirected && 2 * s.edge_count > uint64_t(UINT32_MAX))
        internal_failure("graph too large for a 32-bit adjacency snapshot");
    return list_arrays(s, w);
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
