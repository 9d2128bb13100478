// Simple paths between two nodes, and cycles found through the strongly
// connected components.
#pragma once
#include <cstdint>

#include "core/graph/graph.hpp"
#include "core/algorithms/components.hpp"

namespace vg {

// Simple paths from `source` to `target` of at most max(max_depth, 2) nodes,
// in depth-first order with neighbours tried in walk order (outgoing edges
// newest first; on the undirected kind then incoming ones). One path per
// distinct edge sequence, so parallel edges repeat paths. The enumeration
// stops after `max_paths` paths; none when source equals target. Branches
// that cannot reach the target within the remaining length are not entered,
// which changes only the work, never the paths or their order.
SlotGroups all_simple_paths(const GraphInner& s, uint32_t source, uint32_t target, uint64_t max_depth,
                            uint64_t max_paths);

// Directed graphs only (empty otherwise): for each strongly connected
// component in tarjan_scc order that holds a cycle, its members
// (components of one node count when the node has a self-loop).
SlotGroups find_cycles(const GraphInner& s);

// Directed graphs only: for each such component one cycle through its first
// member s, as met by a last-in-first-out search from s that stays inside
// the component and follows outgoing edges newest first; the closing edge
// back to s is not repeated.
SlotGroups find_cycle_paths(const GraphInner& s);

}  // namespace vg
