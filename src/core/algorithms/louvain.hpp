// Louvain modularity optimisation. Ignores edge direction, reads the graph
// without changing it and returns communities as lists of id views (valid
// until the graph next changes).
#pragma once
#include "core/algorithms/results.hpp"

namespace vg {

// Weight of an edge for Louvain: its "weight" property when that is a
// number, else 1.0. Zero and negative weights are used as they are.
double louvain_edge_weight(const Properties& properties);

// Louvain method at resolution 1: local moving in slot order, then
// aggregation, level after level. Each community's ids are sorted
// byte-wise and the communities by their first id; when the weights sum to
// exactly zero, every node is its own community, in slot order.
Communities louvain_core(const PropertyGraph& g);

// The same partition, each pass visiting every node instead of only those
// a move has touched since their last visit (slower; kept for checking).
Communities louvain_visiting_every_node(const PropertyGraph& g);

}  // namespace vg
