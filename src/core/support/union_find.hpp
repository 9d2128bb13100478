// Disjoint sets over 0..n-1.
#pragma once
#include <cstdint>
#include <numeric>
#include <vector>

namespace vg {

// Union by rank and path splitting. Which member ends up the root is not
// part of the contract: callers number groups by their own order.
class UnionFind {
public:
    explicit UnionFind(size_t n) : parent_(n), rank_(n, 0) { std::iota(parent_.begin(), parent_.end(), 0u); }

    void unite(uint32_t x, uint32_t y) {
        if (x == y) return;
        uint32_t rx = find(x), ry = find(y);
        if (rx == ry) return;
        if (rank_[rx] < rank_[ry]) {
            parent_[rx] = ry;
        } else {
            parent_[ry] = rx;
            if (rank_[rx] == rank_[ry]) ++rank_[rx];
        }
    }
    uint32_t find(uint32_t x) {
        while (parent_[x] != x) {
            uint32_t next = parent_[x];
            parent_[x] = parent_[next];
            x = next;
        }
        return x;
    }

private:
    std::vector<uint32_t> parent_;
    std::vector<uint8_t> rank_;
};

}  // namespace vg
