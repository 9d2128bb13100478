// Graphs from (subject, predicate, object) triples and triples from graphs.
//
// Triples and labels are views into their owners (the caller's strings,
// the graph's records), valid while those stay unchanged.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

struct Triple {
    std::string_view subject;
    std::string_view predicate;
    std::string_view object;
};
// One node per distinct subject or object (first appearance order) and one
// edge per triple whose pair no earlier triple joined.
PropertyGraph from_triples(const std::vector<Triple>& triples, bool directed);
// (stored source slot, label, stored target slot) of every live edge in
// slot order; the label defaults to "relatedTo". Labels are given once
// each, in order of first use, and triples name them by position.
struct SlotTriple {
    uint32_t subject;
    uint32_t predicate;  // into ProjectedTriples::labels
    uint32_t object;
};
struct ProjectedTriples {
    std::vector<std::string_view> labels;
    std::vector<SlotTriple> triples;
};
ProjectedTriples project_triples(const PropertyGraph& g);

}  // namespace vg
