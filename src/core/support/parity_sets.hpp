// Two-colouring as disjoint sets over 0..n-1.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/support/prefetch.hpp"

namespace vg {

// Each member records whether its colour differs from its parent's, so a
// set fixes the colours of its members up to a swap of the two. Union by
// rank, path halving.
class ParitySets {
public:
    explicit ParitySets(size_t n) : at_(n) {
        for (uint32_t v = 0; v < n; ++v) at_[v].parent = v;
    }
    [[gnu::always_inline]] void prefetch(uint32_t v) const { prefetch_read(&at_[v]); }
    // Puts a and b in one set with different colours; false when they
    // already share a set and a colour (a link between them closes an odd
    // cycle; a == b always does).
    bool join_apart(uint32_t a, uint32_t b) {
        uint8_t odd_a, odd_b;
        uint32_t ra = root(a, odd_a), rb = root(b, odd_b);
        if (ra == rb) return odd_a != odd_b;
        if (at_[ra].rank < at_[rb].rank) std::swap(ra, rb);
        at_[rb] = {ra, uint8_t(odd_a ^ odd_b ^ 1), at_[rb].rank};
        if (at_[ra].rank == at_[rb].rank) ++at_[ra].rank;
        return true;
    }

private:
    // Parent, colour flip and rank in one cache line.
    struct Entry {
        uint32_t parent = 0;
        uint8_t odd = 0;  // colour differs from the parent's
        uint8_t rank = 0;
    };
    // The root of v, and in `odd` whether v's colour differs from the root's.
    uint32_t root(uint32_t v, uint8_t& odd) {
        odd = 0;
        while (at_[v].parent != v) {
            Entry& x = at_[v];
            const Entry& up = at_[x.parent];
            if (up.parent != x.parent) {
                x.odd ^= up.odd;
                x.parent = up.parent;
            }
            odd ^= x.odd;
            v = x.parent;
        }
        return v;
    }

    std::vector<Entry> at_;
};

}  // namespace vg
