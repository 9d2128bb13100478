#include "core/rdf/terms.hpp"

#include <random>

namespace vg::rdf {

BlankIds::BlankIds() {
    std::random_device rd;
    for (auto& w : s_) w = (uint64_t(rd()) << 32) ^ rd();
    if (!(s_[0] | s_[1] | s_[2] | s_[3])) s_[0] = 1;  // xoshiro's one forbidden state
}

// xoshiro256** step.
uint64_t BlankIds::draw() {
    auto rotl = [](uint64_t x, int k) { return (x << k) | (x >> (64 - k)); };
    uint64_t result = rotl(s_[1] * 5, 7) * 9;
    uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

void BlankIds::next(std::string& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (;;) {
        uint64_t hi = draw(), lo = draw();
        char buf[32];
        for (int k = 0; k < 16; ++k) {
            buf[k] = kHex[(hi >> (60 - 4 * k)) & 15];
            buf[16 + k] = kHex[(lo >> (60 - 4 * k)) & 15];
        }
        int start = 0;
        while (start < 31 && buf[start] == '0') ++start;
        if (buf[start] >= 'a') {
            out.assign(buf + start, 32 - start);
            return;
        }
    }
}

}  // namespace vg::rdf
