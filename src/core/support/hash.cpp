#include "core/support/hash.hpp"

#include <atomic>
#include <cstring>
#include <random>

namespace vg {

namespace {

inline uint64_t rotl(uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

struct SipState {
    uint64_t v0, v1, v2, v3;
    void round() {
        v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
        v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
    }
};

// Process-wide base keys from the OS random source; each map takes the base
// with a distinct counter mixed in, so keys differ between maps and runs.
struct BaseKeys {
    uint64_t k0, k1;
    std::atomic<uint64_t> counter{0};
    BaseKeys() {
        std::random_device rd;
        k0 = (uint64_t(rd()) << 32) ^ rd();
        k1 = (uint64_t(rd()) << 32) ^ rd();
    }
};

BaseKeys& base_keys() {
    static BaseKeys keys;
    return keys;
}

}  // namespace

uint64_t siphash13(uint64_t k0, uint64_t k1, const void* data, size_t len) noexcept {
    SipState s{k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
               k1 ^ 0x7465646279746573ULL};
    const auto* p = static_cast<const unsigned char*>(data);
    size_t full = len & ~size_t(7);
    for (size_t i = 0; i < full; i += 8) {
        uint64_t m;
        std::memcpy(&m, p + i, 8);  // little-endian hosts only, like the rest of the build
        s.v3 ^= m;
        s.round();
        s.v0 ^= m;
    }
    uint64_t b = uint64_t(len) << 56;
    for (size_t i = 0; i < (len & 7); ++i) b |= uint64_t(p[full + i]) << (8 * i);
    s.v3 ^= b;
    s.round();
    s.v0 ^= b;
    s.v2 ^= 0xff;
    s.round();
    s.round();
    s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

KeyedHash::KeyedHash() {
    BaseKeys& b = base_keys();
    uint64_t n = b.counter.fetch_add(1, std::memory_order_relaxed);
    k0 = b.k0 ^ mix64(n);
    k1 = b.k1;
}

}  // namespace vg
