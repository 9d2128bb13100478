// Compact adjacency snapshot of a graph: each adjacency walk of the store
// as flat arrays (the neighbour and edge slot numbers of every live node's
// list, in exactly the walk order: newest edge first), built on first use
// and kept with the graph until its next change. Following a list of the
// snapshot reads consecutive memory instead of one edge record per step.
//
// Use from an algorithm that holds the graph's shared borrow:
//
//     const AdjacencyList& out = adjacency(g, Walk::Out);
//     for (uint32_t n : ...)                           // live node slots
//         for (size_t i = out.begin(n); i < out.end(n); ++i)
//             visit(out.node[i], out.edge[i]);         // target, edge slot
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
#include <string_view>
#include <vector>

#include "../graph.hpp"

namespace vg {

enum class Walk : uint8_t { Out, In, Undirected, Neighbors };

struct AdjacencyList {
    std::vector<size_t> start;   // node slot n: entries start[n] .. start[n + 1]
    std::vector<uint32_t> node;  // the other end of each entry's edge
    std::vector<uint32_t> edge;  // the edge slot of each entry
    uint64_t generation = 0;     // graph generation it was built from

    size_t begin(uint32_t n) const { return start[n]; }
    size_t end(uint32_t n) const { return start[n + 1]; }
    size_t degree(uint32_t n) const { return start[n + 1] - start[n]; }
};

// The cached list of walk `w` (Neighbors resolves by graph kind).
const AdjacencyList& adjacency(const PropertyGraph& g, Walk w);

// The live edges in slot order, with their stored endpoints.
struct EdgeArrays {
    std::vector<uint32_t> source;
    std::vector<uint32_t> target;
    std::vector<uint32_t> edge;  // slot numbers, ascending
    uint64_t generation = 0;
};
const EdgeArrays& live_edges(const PropertyGraph& g);

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

// Weights aligned with adjacency(g, w).edge.
EdgeWeights walk_weights(const PropertyGraph& g, Walk w, std::string_view key);
// Weights aligned with live_edges(g).edge.
EdgeWeights live_edge_weights(const PropertyGraph& g, std::string_view key);

}  // namespace vg
