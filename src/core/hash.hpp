// Keyed string hashing for maps that hold user-chosen keys: every map gets
// its own random key so colliding key sets cannot be precomputed.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vg {

uint64_t siphash13(uint64_t k0, uint64_t k1, const void* data, size_t len) noexcept;

struct KeyedHash {
    using is_transparent = void;
    uint64_t k0;
    uint64_t k1;
    KeyedHash();  // draws fresh keys
    size_t operator()(std::string_view s) const noexcept { return siphash13(k0, k1, s.data(), s.size()); }
    size_t operator()(const std::string& s) const noexcept { return siphash13(k0, k1, s.data(), s.size()); }
};

}  // namespace vg
