// Flat adjacency snapshots for the algorithms that walk the graph many
// times. Live nodes are renumbered 0 .. N-1 in slot order ("positions") and
// every neighbour list lies in one array, so the passes that follow touch
// no linked lists and index plain vectors. A snapshot is built per call and
// reflects the graph as it was when built.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// The two places that reach into the store's slots, kept here so a change
// of the store's layout touches this header only.
inline const GraphInner& store_of(const PropertyGraph& g) { return g.store(); }
inline const Properties& edge_properties(const GraphInner& s, uint32_t e) { return s.edges[e].data->properties; }

struct NodePositions {
    std::vector<uint32_t> slot;  // position -> node slot, ascending
    std::vector<uint32_t> pos;   // node slot -> position; END for a vacant slot
    uint32_t size() const { return uint32_t(slot.size()); }
};
NodePositions node_positions(const GraphInner& s);

// Neighbours of position p: target[offset[p] .. offset[p + 1]), as positions.
struct CompactAdjacency {
    std::vector<uint64_t> offset;
    std::vector<uint32_t> target;
    std::span<const uint32_t> of(uint32_t p) const {
        return {target.data() + offset[p], size_t(offset[p + 1] - offset[p])};
    }
    uint64_t degree(uint32_t p) const { return offset[p + 1] - offset[p]; }
};

// Neighbours in GraphInner::walk_neighbors order: the outgoing walk on the
// directed kind; on the undirected kind the outgoing walk, then the incoming
// walk without self-loops. One entry per edge.
CompactAdjacency forward_adjacency(const GraphInner& s, const NodePositions& at);

// The incoming walk on the directed kind; the forward lists on the
// undirected kind.
CompactAdjacency backward_adjacency(const GraphInner& s, const NodePositions& at);

// For each node the sources of the edges stored with it as target, in
// ascending edge slot order, whatever the graph's kind. `out_count[p]` is
// the number of edges stored with p as source.
struct StoredInLinks {
    CompactAdjacency in;
    std::vector<uint64_t> out_count;
};
StoredInLinks stored_in_links(const GraphInner& s, const NodePositions& at);

// Both ends of every edge, direction ignored, in ascending edge slot order:
// edge (s, t) appends t to the list of s, then s to the list of t, so a
// self-loop lists its node twice. `edge[i]` is the edge slot of entry i.
struct SlotOrderLinks {
    CompactAdjacency adj;
    std::vector<uint32_t> edge;
};
SlotOrderLinks slot_order_links(const GraphInner& s, const NodePositions& at);

}  // namespace vg
