// Synchronous label propagation: communities of nodes that agree on a
// label. Ignores edge direction, reads the graph without changing it and
// returns communities as lists of id views (valid until the graph next
// changes).
#pragma once
#include "core/algorithms/results.hpp"

namespace vg {

// Synchronous label propagation over the distinct neighbours of each node
// (a self-loop makes a node its own neighbour), at most 100 iterations.
// Sorted like Louvain's result.
Communities label_propagation(const PropertyGraph& g);

}  // namespace vg
