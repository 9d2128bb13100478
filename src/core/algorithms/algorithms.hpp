// Traversal and weighted path searches over a PropertyGraph.
//
// Every function reads the store in place and never changes it. Node
// arguments are live slot numbers (the caller resolves ids with
// PropertyGraph::node_index); a vacant or out-of-range slot is a broken
// invariant and throws InternalError. Ids in results are views into the
// graph's node records, valid until the graph is next changed.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// A node slot an algorithm is given must be live; a vacant one is a broken
// invariant of the caller.
inline void require_live(const GraphInner& s, uint32_t n) {
    if (!s.node_live(n)) internal_failure("algorithm given a vacant node slot");
}
// The id of a slot already known to be live, without a second check.
inline std::string_view id_view(const GraphInner& s, uint32_t n) { return s.nodes[n].data->id; }
// Search orders jump around the node vector: loops that collect ids start
// loading the record a few places ahead of the one they read.
inline constexpr size_t kIdLookahead = 8;
inline void prefetch_node(const GraphInner& s, uint32_t n) { __builtin_prefetch(&s.nodes[n]); }

// ---- Traversals -------------------------------------------------------
// Neighbours come from GraphInner::walk_neighbors: outgoing edges newest
// first on the directed kind, every incident edge on the undirected kind.

// Breadth-first order from `source`, source first.
std::vector<std::string_view> bfs(const PropertyGraph& g, uint32_t source);

// Depth-first preorder; neighbours are pushed in walk order, so the last
// unvisited one of the walk is explored first.
std::vector<std::string_view> dfs(const PropertyGraph& g, uint32_t source);

enum class DfsEventKind : uint8_t { Enter, Exit };
struct DfsEvent {
    std::string_view id;
    DfsEventKind kind;
};
// "enter" or "exit".
std::string_view dfs_event_name(DfsEventKind kind);

// Depth-first enter/exit events; neighbours are pushed in reverse walk
// order, so the first unvisited one of the walk is entered first.
std::vector<DfsEvent> dfs_events(const PropertyGraph& g, uint32_t source);

struct DepthEntry {
    std::string_view id;
    uint64_t depth;
};
// Breadth-first order with hop counts, source first at depth 0.
std::vector<DepthEntry> bfs_with_depth(const PropertyGraph& g, uint32_t source);

// The breadth-first order restricted to nodes at exactly `depth` hops.
std::vector<std::string_view> bfs_at_depth(const PropertyGraph& g, uint32_t source, uint64_t depth);

// Whether the depth-first search from `source` reaches `target`.
bool has_path(const PropertyGraph& g, uint32_t source, uint32_t target);

// ---- Weighted paths ---------------------------------------------------

// Weight of an edge under `key`: the number stored there as a double;
// 1.0 when the key is missing or holds a non-number. Callers without a key
// use 1.0 for every edge and never call this.
double edge_weight(const Properties& properties, std::string_view key);

struct NodeCost {
    std::string_view id;
    double cost;
};

// Dijkstra from `source` over the walk_neighbors adjacency. With a target
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
