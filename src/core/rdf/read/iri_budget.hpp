// IRIs that a document makes rather than spells out (references resolved
// against a base, prefixed names expanded, the bases themselves) can outgrow
// the input by far: a thousand short "<>" against one long base repeat that
// base a thousand times. Like entity expansion they draw on one budget per
// document, max(8 MiB, 100 x the input read so far).
//
// Usage:
//   if (!budget.charge(iri.size(), in.bytes_read(), err)) return fail(err);
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

namespace vg::rdf {

class IriBudget {
public:
    static constexpr uint64_t kMinBudget = uint64_t(8) << 20;

    // Charges n bytes; false, with the message in `err`, once past the limit.
    bool charge(uint64_t n, uint64_t input_bytes, std::string& err) {
        uint64_t limit = std::max(input_bytes * 100, kMinBudget);
        spent_ += n;
        if (spent_ <= limit) return true;
        err = "IRI resolution and prefix expansion exceed their limit of " + std::to_string(limit) + " bytes";
        return false;
    }

private:
    uint64_t spent_ = 0;
};

}  // namespace vg::rdf
