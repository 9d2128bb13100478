// A packed copy of every node's outgoing (or incoming) list, in walk order
// (newest edge first), for searches that look at most edges: following list
// links costs one dependent memory load per edge, while a packed row is read
// in order.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "../graph.hpp"

namespace vg {

struct PackedAdjacency {
    std::vector<uint32_t> first;    // row of slot v: targets[first[v] .. first[v + 1])
    std::vector<uint32_t> targets;  // the other ends, each row in walk order

    std::span<const uint32_t> row(uint32_t v) const { return {targets.data() + first[v], first[v + 1] - first[v]}; }
};

// Built with several lists followed at once, so that their loads overlap
// instead of waiting on each other.
// `incoming`: rows hold the sources of the incoming lists instead.
PackedAdjacency packed_adjacency(const GraphInner& s, bool incoming = false);

}  // namespace vg
