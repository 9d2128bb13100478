// Dependency-order operations on a graph: topological order, longest path,
// ancestors and descendants, and the transitive closure.
//
// Every function reads the store in place and never changes it; searches
// keep their own stacks, so a chain of any length is safe. Ids in results
// are views into the graph's node records.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// Topological order of the live nodes of a directed store, or the slot of a
// node on a cycle (self-loops included). The order is the reversed
// postorder of a depth-first pass that starts from each undiscovered node
// in slot order and explores the target of a node's oldest outgoing edge
// first; the node named for a cycle is the one a self-loop stops that pass
// at, or else the last earlier-unplaced source in the incoming list of the
// first node whose predecessors are not all placed before it.
struct TopoOrder {
    std::vector<uint32_t> order;
    std::optional<uint32_t> cycle_at;
};
TopoOrder toposort(const GraphInner& s);

// toposort as ids. Errors: "Topological sort is only defined for directed
// graphs" (undirected, even when empty) and "Graph has a cycle involving
// node '{}'".
Result<std::vector<std::string_view>> topological_order(const PropertyGraph& g);

// The longest path (in edges) by one pass in topological order; ties keep
// the predecessor earliest in that order, and among end nodes of equal
// length the one in the highest slot wins. Errors as topological_order.
struct LongestPath {
    uint64_t length;
    std::vector<std::string_view> path;
};
Result<LongestPath> longest_path(const PropertyGraph& g);

// Nodes that reach `node` (ancestors) or that `node` reaches (descendants)
// by one or more edges; `node` itself only when a walk comes back to it.
// On the undirected kind both follow every incident edge. Order carries no
// meaning.
std::vector<std::string_view> ancestors(const PropertyGraph& g, uint32_t node);
std::vector<std::string_view> descendants(const PropertyGraph& g, uint32_t node);

// A copy of the graph (same kind and name, without parallel edges: the
// first of each set in slot order is kept) plus an edge u->w with empty
// properties for every w != u reachable from u and not yet joined to it.
// Added edges come after the copies, grouped by source in slot order.
PropertyGraph transitive_closure(const PropertyGraph& g);

}  // namespace vg
