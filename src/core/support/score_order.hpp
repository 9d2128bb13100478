// The order of ranked scores and the fixed-point shortcut of iterated
// scores.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>


namespace vg {

// Score descending; NaN after every number (a comparison with NaN alone
// would not be a strict weak ordering, undefined behaviour for a sort).
inline bool score_before(double a, double b) {
    if (std::isnan(b)) return !std::isnan(a);
    return b < a;
}

// Positions 0 .. n-1 ordered by score_before over their scores, equal
// scores in ascending position (what a stable sort by score_before gives).
std::vector<uint32_t> rank_by_score(const std::vector<double>& score);

// Replaces `x` by step applied `iterations` times; `step(x, next)` writes
// the next vector and returns true to end the loop after taking it. The
// step must depend on x alone: then once a vector recurs bit for bit the
// sequence is periodic, and the remaining iterations shrink to their
// remainder modulo the period without changing the result (Brent's cycle
// search: one saved vector, compared after every step).
template <class Step>
void iterate_with_recurrence(std::vector<double>& x, uint64_t iterations, Step&& step) {
    std::vector<double> next(x.size());
    std::vector<double> saved = x;
    uint64_t power = 1, since = 0;
    bool periodic = false;
    const size_t bytes = x.size() * sizeof(double);
    for (uint64_t done = 0; done < iterations; ++done) {
        const bool stop = step(x, next);
        x.swap(next);
        if (stop) return;
        if (periodic) continue;
        ++since;
        if (bytes == 0 || std::memcmp(x.data(), saved.data(), bytes) == 0) {
            // x now equals the vector `since` steps back; what is left of
            // the run is the same cycle again and again.
            const uint64_t remaining = iterations - (done + 1);
            iterations = done + 1 + remaining % since;
            periodic = true;
        } else if (since == power) {
            saved = x;
            power *= 2;
            since = 0;
        }
    }
}

}  // namespace vg
