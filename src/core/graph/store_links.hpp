// The slot links of the store, for the graph layer's own list walks (the
// adjacency cursor and snapshot builder). Nothing outside src/core/graph/
// includes this header.
#pragma once
#include <cstdint>

#include "core/graph/store.hpp"

namespace vg {

struct StoreLinks {
    // List k of node n: 0 outgoing, 1 incoming. head() is its newest edge,
    // next() the edge after e in it, far() the end of e that list k leads
    // to (the target for outgoing lists, the source for incoming ones).
    static uint32_t head(const GraphInner& s, uint32_t n, int k) { return s.nodes_[n].next[k]; }
    static uint32_t next(const GraphInner& s, uint32_t e, int k) { return s.edges_[e].next[k]; }
    static uint32_t far(const GraphInner& s, uint32_t e, int k) { return s.edges_[e].node[1 - k]; }
};

}  // namespace vg
