// Pairs of node slots: the one-edge-per-pair rule of the graph copies
// (an undirected copy, a subgraph, a closure or condensation keeps the
// first edge, in slot order, of each pair of nodes it joins).
#pragma once
#include <cstdint>
#include <utility>

#include "core/support/hash.hpp"

namespace vg {

// Key of a pair of node slots: ordered (source, target), or unordered (the
// same key either way round). All ones never occurs for live slots.
inline uint64_t slot_pair_key(uint32_t a, uint32_t b, bool ordered) {
    if (!ordered && a > b) std::swap(a, b);
    return (uint64_t(a) << 32) | b;
}

// first(a, b) holds the first time a pair is asked about; pairs are ordered
// or unordered as the filter was made. Ids are unique, so a pair of slots
// stands for a pair of ids.
class PairFilter {
public:
    explicit PairFilter(bool ordered, uint64_t expected = 0) : ordered_(ordered) { seen_.reserve(size_t(expected)); }
    bool first(uint32_t a, uint32_t b) { return seen_.insert(slot_pair_key(a, b, ordered_)); }

private:
    bool ordered_;
    U64Set seen_;
};

}  // namespace vg
