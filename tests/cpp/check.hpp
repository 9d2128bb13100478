// Minimal checks for the C++ unit programs: count failures, report each
// with its place, and let main() turn the count into the exit status.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

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

// A folder of one's own for a unit program's files: under the system's
// temporary directory, named with the pid (so programs running side by side
// never share one), and removed with its contents at the end of the scope.
class TempDir {
public:
    TempDir()
        : path_(std::filesystem::temp_directory_path() /
                ("vg_unit_" + std::to_string(::getpid()) + "_" + std::to_string(made_++))) {
        std::filesystem::remove_all(path_);  // a leftover of a killed process with the same pid
        std::filesystem::create_directory(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    static inline int made_ = 0;
    std::filesystem::path path_;
};

// Exit status of a unit program: reports the count, or that all passed.
inline int check_summary(const char* program) {
    if (failures) {
        std::fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    std::printf("%s: all checks passed\n", program);
    return 0;
}
