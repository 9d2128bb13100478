// Compact adjacency snapshot of a graph: each adjacency walk of the store
// as flat arrays (the neighbour and edge slot numbers of every live node's
// list, in exactly the walk order: newest edge first), built on first use
// and kept with the graph until its next change. Following a list of the
// snapshot reads consecutive memory instead of one edge record per step.
//
// Use from an algorithm that holds the graph's shared borrow:
//
//     const AdjacencyList& out = adjacency(g, Walk::Out);   // g: PropertyGraph or its store
//     for (uint32_t t : out.row(n)) visit(t);              // targets of n, walk order
//     for (uint32_t i = out.begin(n); i < out.end(n); ++i)
//         visit(out.targets[i], out.edges[i]);             // target and edge slot
//
// Walk::Out and Walk::In are the outgoing and incoming walks (both graph
// kinds); Walk::Undirected is the undirected walk (outgoing, then incoming
// without the self-loops already met); Walk::Neighbors is the traversal
// walk, Out on a directed graph and Undirected on an undirected one. The
// reference stays valid while the borrow is held: only a change of the
// graph (which needs the exclusive borrow) drops it. Vacant node slots have
// empty ranges.
//
// Weights of the entries, read once with the edge_weight rule:
//
//     EdgeWeights w = walk_weights(g, Walk::Neighbors, key);
//     double cost = w[i];                              // entry i of the list
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

enum class Walk : uint8_t { Out, In, Undirected, Neighbors };

struct AdjacencyList {
    std::vector<uint32_t> first;    // node slot n: entries first[n] .. first[n + 1]
    std::vector<uint32_t> targets;  // the other end of each entry's edge
    std::vector<uint32_t> edges;    // the edge slot of each entry
    uint64_t generation = 0;        // store generation it was built from

    uint32_t begin(uint32_t n) const { return first[n]; }
    uint32_t end(uint32_t n) const { return first[n + 1]; }
    uint32_t degree(uint32_t n) const { return first[n + 1] - first[n]; }
    std::span<const uint32_t> row(uint32_t n) const { return {targets.data() + first[n], degree(n)}; }
};

// The cached list of walk `w` (Neighbors resolves by graph kind). Entry
// positions are 32-bit: an undirected graph of 2^31 edges or more is
// refused as an internal failure.
const AdjacencyList& adjacency(const GraphInner& s, Walk w);
inline const AdjacencyList& adjacency(const PropertyGraph& g, Walk w) { return adjacency(g.store(), w); }

// The list of walk `w` if some earlier call built it, else null: for
// searches that may touch only a few nodes and would rather walk the
// store's own lists than pay for a build.
const AdjacencyList* cached_adjacency(const GraphInner& s, Walk w);

// The outgoing (or incoming) lists under their packed name.
using PackedAdjacency = AdjacencyList;
inline const PackedAdjacency& packed_adjacency(const GraphInner& s, bool incoming = false) {
    return adjacency(s, incoming ? Walk::In : Walk::Out);
}

// The live edges in slot order, with their stored endpoints.
struct EdgeArrays {
    std::vector<uint32_t> source;
    std::vector<uint32_t> target;
    std::vector<uint32_t> edge;  // slot numbers, ascending
    uint64_t generation = 0;
};
const EdgeArrays& live_edges(const GraphInner& s);
inline const EdgeArrays& live_edges(const PropertyGraph& g) { return live_edges(g.store()); }

// A weight per entry of one list (or per live edge), under one key; held
// by the graph's cache or by this handle alone.
class EdgeWeights {
public:
    EdgeWeights() = default;
    explicit EdgeWeights(std::shared_ptr<const std::vector<double>> held) : held_(std::move(held)) {
        data_ = held_->data();
    }
    double operator[](size_t i) const { return data_[i]; }

private:
    std::shared_ptr<const std::vector<double>> held_;
    const double* data_ = nullptr;
};

// Weights aligned with adjacency(g, w).edges.
EdgeWeights walk_weights(const GraphInner& s, Walk w, std::string_view key);
inline EdgeWeights walk_weights(const PropertyGraph& g, Walk w, std::string_view key) {
    return walk_weights(g.store(), w, key);
}
// Weights aligned with live_edges(g).edge.
EdgeWeights live_edge_weights(const GraphInner& s, std::string_view key);
inline EdgeWeights live_edge_weights(const PropertyGraph& g, std::string_view key) {
    return live_edge_weights(g.store(), key);
}

}  // namespace vg
