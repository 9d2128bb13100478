#include "core/rdf/terms.hpp"

#include <bit>
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
        // The first digit shown (the leading nonzero one) must be a letter;
        // a draw that fails is dropped before it is written out.
        uint64_t lead = hi ? hi : lo;
        int skip = lead ? std::countl_zero(lead) / 4 : 15;
        if (((lead >> (60 - 4 * skip)) & 15) < 10) continue;
        char buf[32];
        for (int k = 0; k < 16; ++k) {
            buf[k] = kHex[(hi >> (60 - 4 * k)) & 15];
            buf[16 + k] = kHex[(lo >> (60 - 4 * k)) & 15];
        }
        int start = hi ? skip : 16 + skip;
        out.assign(buf + start, size_t(32 - start));
        return;
    }
}

}  // namespace vg::rdf
