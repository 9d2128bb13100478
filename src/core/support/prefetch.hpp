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
