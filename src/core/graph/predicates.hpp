// Questions asked of a whole graph or one node's neighbourhood, answered
// from the store alone (no algorithm family is involved).
#pragma once
#include <cstdint>
#include <vector>

#include "core/graph/store.hpp"

namespace vg {

// Weak connectivity: direction ignored, self-loops play no part; true for
// fewer than two nodes.
bool weakly_connected(const GraphInner& s);

// Whether following stored directions can return to a node (a self-loop
// included).
bool has_directed_cycle(const GraphInner& s);

// One root, every other node reached by exactly one path: connected with
// one edge fewer than nodes, and on the directed kind acyclic with at most
// one edge into each node. The empty graph is a tree.
bool is_tree(const GraphInner& s);

enum class NeighborKind : uint8_t { Successors, Predecessors, All };
// Neighbour slots of n in walk order, one per edge. The undirected kind
// lists every incident edge for each kind; the directed kind lists the
// outgoing walk, the incoming walk, or (All) the outgoing walk followed by
// the sources of the incoming walk not listed yet.
std::vector<uint32_t> neighbor_slots(const GraphInner& s, uint32_t n, NeighborKind kind);

}  // namespace vg
