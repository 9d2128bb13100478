// Starts loading the cache line at an address ahead of its use: the one
// prefetch of the engine. GCC 12 at -O2 drops some plain __builtin_prefetch
// calls as dead code (one whose address is an element of a std::vector
// indexed under a test of the vector, such as a hash table's home slot),
// and drops calls to small helpers whose only effect is a prefetch; the
// empty asm that takes the address keeps the hint, and forced inlining
// keeps the call. A prefetch never faults, whatever the address.
#pragma once

namespace vg {

[[gnu::always_inline]] inline void prefetch_read(const void* p) {
    asm("" : : "r"(p));
    __builtin_prefetch(p);
}

[[gnu::always_inline]] inline void prefetch_write(const void* p) {
    asm("" : : "r"(p));
    __builtin_prefetch(p, 1);
}

}  // namespace vg

namespace vg {

// Runs body(i) for every i below n while item i's chain of three dependent
// reads is asked for ahead, one link per stage: first(i) three steps
// before body(i), second(i) two steps before, third(i) one step before (a
// step is `step` items). Each stage reads what the stage before brought
// in, so the reads of many items overlap instead of waiting one by one.
template <class Index, class First, class Second, class Third, class Body>
[[gnu::always_inline]] inline void staged_reads(Index n, Index step, First&& first, Second&& second, Third&& third,
                                                Body&& body) {
    for (Index i = 0; i < n && i < 3 * step; ++i) first(i);
    for (Index i = 0; i < n && i < 2 * step; ++i) second(i);
    for (Index i = 0; i < n && i < step; ++i) third(i);
    for (Index i = 0; i < n; ++i) {
        if (i + 3 * step < n) first(i + 3 * step);
        if (i + 2 * step < n) second(i + 2 * step);
        if (i + step < n) third(i + step);
        body(i);
    }
}

}  // namespace vg
