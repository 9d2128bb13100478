// Minimal checks for the C++ unit programs: count failures, report each
// with its place, and let main() turn the count into the exit status.
#pragma once
#include <cstdio>
#include <iostream>

inline int failures = 0;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            ++failures;                                                              \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
        }                                                                            \
    } while (0)

#define CHECK_EQ(a, b)                                                                                   \
    do {                                                                                                 \
        auto a_ = (a);                                                                                   \
        auto b_ = (b);                                                                                   \
        if (!(a_ == b_)) {                                                                               \
            ++failures;                                                                                  \
            std::cerr << __FILE__ << ":" << __LINE__ << ": " #a "\n  got:  " << a_ << "\n  want: " << b_ \
                      << "\n";                                                                           \
        }                                                                                                \
    } while (0)

// Exit status of a unit program: reports the count, or that all passed.
inline int check_summary(const char* program) {
    if (failures) {
        std::fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    std::printf("%s: all checks passed\n", program);
    return 0;
}
