// Community detection: Louvain modularity optimisation and synchronous
// label propagation. Both ignore edge direction, read the graph without
// changing it and return communities as lists of id views (valid until the
// graph next changes).
#pragma once
#include <string_view>
#include <vector>

#include "core/graph/adjacency.hpp"

namespace vg {

using Communities = std::vector<std::vector<std::string_view>>;

// Weight of an edge for Louvain: its "weight" property when that is a
// number, else 1.0. Zero and negative weights are used as they are.
double louvain_edge_weight(const Properties& properties);

// Louvain method at resolution 1: local moving in slot order, then
// aggregation, level after level. Each community's ids are sorted
// byte-wise and the communities by their first id; when the weights sum to
// exactly zero, every node is its own community, in slot order.
Communities louvain_core(const PropertyGraph& g);

// Synchronous label propagation over the distinct neighbours of each node
// (a self-loop makes a node its own neighbour), at most 100 iterations.
// Sorted like Louvain's result.
Communities label_propagation(const PropertyGraph& g);

// Groups positions by label (`label[p]` < label.size()), maps positions to
// ids, sorts each group byte-wise and the groups by their first id.
Communities sorted_communities(const GraphInner& s, const Positions& at, const std::vector<uint32_t>& label);

}  // namespace vg
