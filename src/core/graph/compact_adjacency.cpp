// Building the flat adjacency snapshots.
#include "core/graph/compact_adjacency.hpp"

#include "core/graph/adjacency.hpp"

namespace vg {

namespace {

uint32_t position(const NodePositions& at, uint32_t slot) {
    if (slot >= at.pos.size() || at.pos[slot] == END) internal_failure("edge endpoint refers to a vacant node slot");
    return at.pos[slot];
}

// Counting sort by list owner: `count[p]` entries for position p become
// offsets; the caller then fills through `cursor`.
std::vector<uint64_t> offsets_from_counts(const std::vector<uint64_t>& count) {
    std::vector<uint64_t> offset(count.size() + 1, 0);
    for (size_t p = 0; p < count.size(); ++p) offset[p + 1] = offset[p] + count[p];
    return offset;
}

}  // namespace

NodePositions node_positions(const GraphInner& s) {
    NodePositions at;
    at.slot.reserve(s.node_count);
    at.pos.assign(s.nodes.size(), END);
    for (uint32_t n = 0; n < s.nodes.size(); ++n)
        if (s.node_live(n)) {
            at.pos[n] = uint32_t(at.slot.size());
            at.slot.push_back(n);
        }
    return at;
}

namespace {

// The graph's cached rows of one walk (already in walk order), renumbered
// to positions.
CompactAdjacency positions_of(const AdjacencyList& rows, const NodePositions& at) {
    CompactAdjacency a;
    a.offset.assign(size_t(at.size()) + 1, 0);
    a.target.reserve(rows.targets.size());
    for (uint32_t p = 0; p < at.size(); ++p) {
        for (uint32_t m : rows.row(at.slot[p])) a.target.push_back(position(at, m));
        a.offset[p + 1] = a.target.size();
    }
    return a;
}

}  // namespace

CompactAdjacency forward_adjacency(const GraphInner& s, const NodePositions& at) {
    return positions_of(adjacency(s, Walk::Neighbors), at);
}

CompactAdjacency backward_adjacency(const GraphInner& s, const NodePositions& at) {
    if (!s.is_directed()) return forward_adjacency(s, at);
    return positions_of(adjacency(s, Walk::In), at);
}

StoredInLinks stored_in_links(const GraphInner& s, const NodePositions& at) {
    StoredInLinks r;
    std::vector<uint64_t> in_count(at.size(), 0);
    r.out_count.assign(at.size(), 0);
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!s.edge_live(e)) continue;
        ++r.out_count[position(at, s.edges[e].node[0])];
        ++in_count[position(at, s.edges[e].node[1])];
    }
    r.in.offset = offsets_from_counts(in_count);
    r.in.target.resize(r.in.offset.back());
    std::vector<uint64_t> cursor(r.in.offset.begin(), r.in.offset.end() - 1);
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!s.edge_live(e)) continue;
        r.in.target[cursor[at.pos[s.edges[e].node[1]]]++] = at.pos[s.edges[e].node[0]];
    }
    return r;
}

SlotOrderLinks slot_order_links(const GraphInner& s, const NodePositions& at) {
    SlotOrderLinks r;
    std::vector<uint64_t> count(at.size(), 0);
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!s.edge_live(e)) continue;
        ++count[position(at, s.edges[e].node[0])];
        ++count[position(at, s.edges[e].node[1])];
    }
    r.adj.offset = offsets_from_counts(count);
    r.adj.target.resize(r.adj.offset.back());
    r.edge.resize(r.adj.offset.back());
    std::vector<uint64_t> cursor(r.adj.offset.begin(), r.adj.offset.end() - 1);
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!s.edge_live(e)) continue;
        const uint32_t a = at.pos[s.edges[e].node[0]], b = at.pos[s.edges[e].node[1]];
        uint64_t i = cursor[a]++;
        r.adj.target[i] = b;
        r.edge[i] = e;
        i = cursor[b]++;
        r.adj.target[i] = a;
        r.edge[i] = e;
    }
    return r;
}

}  // namespace vg
