// Weighted path searches over a PropertyGraph: Dijkstra, A* with a zero
// estimate, Bellman-Ford. Node arguments and ids in results as in
// traversal.hpp; edge weights follow edge_weight (graph/edge_rules.hpp).
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// ---- Weighted paths ---------------------------------------------------

struct NodeCost {
    std::string_view id;
    double cost;
};

// Dijkstra from `source` over the Neighbors walk. With a target
// the search ends when the target is popped. Every node reached gets an
// entry (reached but unsettled nodes included), in the order first reached;
// the order carries no meaning. Negative weights are used as they are: a
// settled node keeps its cost.
std::vector<NodeCost> dijkstra_distances(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target,
                                         std::optional<std::string_view> weight_key);

// The cost dijkstra_distances gives `target` when searching towards it, or
// nothing when the target is not reached.
std::optional<double> shortest_path_length(const PropertyGraph& g, uint32_t source, uint32_t target,
                                           std::optional<std::string_view> weight_key);

struct WeightedPath {
    double cost;
    std::vector<std::string_view> path;  // source .. target
};

// Best-first search with a zero estimate that re-opens a node whenever a
// cheaper route to it is found. Nothing when the target is unreachable.
// Error "Negative cycle detected" when the recorded predecessors form a
// cycle, which only a cycle of negative weight reachable from the source
// produces (the search would otherwise never end).
Result<std::optional<WeightedPath>> astar_path(const PropertyGraph& g, uint32_t source, uint32_t target,
                                               std::optional<std::string_view> weight_key);

// Bellman-Ford over the stored edge directions (on both graph kinds), edges
// relaxed in slot order. One entry per node with a finite cost, slot order.
// Error "Negative cycle detected" for a negative cycle the source reaches.
Result<std::vector<NodeCost>> bellman_ford_paths(const PropertyGraph& g, uint32_t source,
                                                 std::optional<std::string_view> weight_key);

}  // namespace vg
