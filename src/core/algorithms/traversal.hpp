// Breadth-first and depth-first traversals over a PropertyGraph.
//
// Every function reads the graph in place and never changes it. Node
// arguments are live slot numbers (the caller resolves ids with
// PropertyGraph::node_index); a vacant or out-of-range slot is a broken
// invariant and throws InternalError. Ids in results are views into the
// graph's node records, valid until the graph is next changed.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// ---- Traversals -------------------------------------------------------
// Neighbours come from the Neighbors walk: outgoing edges newest first on
// the directed kind, every incident edge on the undirected kind.

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

}  // namespace vg
