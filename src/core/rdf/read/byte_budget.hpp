// Bytes that a document makes rather than spells out can outgrow the input
// by far: IRIs resolved against a long base or expanded from a long prefix
// (a thousand short "<>" repeat the base a thousand times), entity
// replacement texts, the namespace declarations copied into each XML
// literal. Each kind draws on its own budget per document, budget_limit()
// of the input's size (RdfInput::budget_bytes: the whole input when its
// size is known beforehand, so that a document gets the same budget from a
// string or a file).
//
// Usage:
//   ByteBudget iris_{"IRI resolution and prefix expansion exceed their limit of "};
//   if (!iris_.charge(cost, in.budget_bytes(), err)) return fail(err);
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

namespace vg::rdf {

// The bytes a document of `input_bytes` may make: max(8 MiB, 100 x its size).
inline uint64_t budget_limit(uint64_t input_bytes) {
    constexpr uint64_t kMinBudget = uint64_t(8) << 20;
    return std::max(input_bytes * 100, kMinBudget);
}

class ByteBudget {
public:
    // `refusal`: the message, up to the limit's number.
    explicit ByteBudget(const char* refusal) : refusal_(refusal) {}

    // Charges n bytes; false, with "{refusal}{limit} bytes" in `err`, once
    // past the limit.
    bool charge(uint64_t n, uint64_t input_bytes, std::string& err) {
        spent_ += n;
        return spent_ <= budget_limit(input_bytes) || refuse(input_bytes, err);
    }

private:
    [[gnu::cold, gnu::noinline]] bool refuse(uint64_t input_bytes, std::string& err) const {
        err = refusal_ + std::to_string(budget_limit(input_bytes)) + " bytes";
        return false;
    }

    const char* refusal_;
    uint64_t spent_ = 0;
};

// The budget on IRIs a reader makes.
inline ByteBudget iri_budget() { return ByteBudget("IRI resolution and prefix expansion exceed their limit of "); }

}  // namespace vg::rdf
