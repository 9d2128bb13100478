// The edge properties of each predicate an RDF load meets: one map per
// predicate, {"predicate": its IRI, "label" and "type": its local name},
// shared by every edge of that predicate (a copy of it holds the same
// body). Predicates come in small sets and recur, so the last few found
// are tried before the keyed index; a predicate the reader hands over by
// key (the verb of an object list) is found by its key, however long.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/rdf/terms.hpp"
#include "core/support/hash.hpp"
#include "core/value.hpp"

namespace vg::rdf {

class PredicateTable {
public:
    // The number of a predicate IRI, added on first sight.
    uint32_t find_or_add(const TermRef& iri) { return iri.key ? find_or_add_keyed(iri) : find_or_add(iri.value); }
    const Properties& properties(uint32_t i) const { return known_[i].properties; }

private:
    struct Known {
        std::string iri;
        Properties properties;
    };
    static constexpr size_t kRecent = 8;

    uint32_t find_or_add(std::string_view iri);
    uint32_t find_or_add_keyed(const TermRef& iri);

    std::vector<Known> known_;
    PositionIndex index_;  // positions in known_
    uint32_t recent_[kRecent] = {};
    unsigned next_recent_ = 0;
    // By the reader's key: the last one, and every long one.
    uint64_t last_key_ = 0;
    uint32_t last_index_ = 0;
    std::unordered_map<uint64_t, uint32_t> long_by_key_;
};

}  // namespace vg::rdf
