// Ranking of scores: a stable radix sort on order-preserving integer keys,
// which gives the order a stable comparison sort by score_before gives.
#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <utility>

#include "core/support/score_order.hpp"

namespace vg {

namespace {

// Below this many scores a comparison sort is as quick.
constexpr size_t kRadixMin = 4096;
constexpr int kDigitBits = 11;
constexpr int kPasses = (64 + kDigitBits - 1) / kDigitBits;
constexpr size_t kBuckets = size_t(1) << kDigitBits;

// Keys ascending in score_before order, equal exactly where the scores are
// equivalent under it: -0.0 and 0.0 share a key, every NaN takes the
// largest key, which no number reaches.
uint64_t rank_key(double x) {
    if (std::isnan(x)) return ~uint64_t(0);
    if (x == 0.0) x = 0.0;
    uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    // Bits of a double ordered as unsigned integers in ascending value...
    const uint64_t ascending = (u >> 63) ? ~u : (u | (uint64_t(1) << 63));
    // ...and turned round for descending scores.
    return ~ascending;
}

}  // namespace

std::vector<uint32_t> rank_by_score(const std::vector<double>& score) {
    const size_t n = score.size();
    std::vector<uint32_t> order(n);
    if (n < kRadixMin) {
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return score_before(score[a], score[b]); });
        return order;
    }
    struct Item {
        uint64_t key;
        uint32_t pos;
    };
    std::vector<Item> a(n), b(n);
    std::vector<std::array<uint32_t, kBuckets>> count(kPasses);
    for (auto& c : count) c.fill(0);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t k = rank_key(score[i]);
        a[i] = {k, uint32_t(i)};
        for (int p = 0; p < kPasses; ++p) ++count[p][(k >> (p * kDigitBits)) & (kBuckets - 1)];
    }
    // Least significant digit first; each pass is stable, and a digit that
    // is the same in every key leaves the order as it is.
    for (int p = 0; p < kPasses; ++p) {
        auto& c = count[p];
        if (std::find(c.begin(), c.end(), uint32_t(n)) != c.end()) continue;
        uint32_t sum = 0;
        for (uint32_t& x : c) sum += std::exchange(x, sum);
        const int shift = p * kDigitBits;
        for (const Item& it : a) b[c[(it.key >> shift) & (kBuckets - 1)]++] = it;
        a.swap(b);
    }
    for (size_t i = 0; i < n; ++i) order[i] = a[i].pos;
    return order;
}

}  // namespace vg
