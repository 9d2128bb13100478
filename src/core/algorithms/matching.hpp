// Matchings: sets of edges no two of which share a node. Neighbours come
// from the outgoing walk on the directed kind (an edge is usable only from
// its source) and from every incident edge on the undirected kind. Pairs
// are (lower slot, higher slot), ordered by the first.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/algorithms/results.hpp"
#include "core/support/interrupt.hpp"

namespace vg {

// One walk per unvisited node in slot order, each following the first
// unvisited neighbour until it is stuck and matching its nodes in pairs.
NodePairs greedy_matching(const PropertyGraph& g);

// The greedy matching enlarged by Gabow's implementation of Edmonds'
// blossom algorithm: one breadth-first search for an augmenting path from
// each unmatched slot in ascending order. Maximum cardinality on the
// undirected kind. Throws Interrupted when the hook asks it to stop.
NodePairs maximum_matching(const PropertyGraph& g, const Interrupt* interrupt = nullptr);

}  // namespace vg
