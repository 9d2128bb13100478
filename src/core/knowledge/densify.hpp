// Transitive densification along one predicate.
//
// The given graph is read, never changed.
#pragma once
#include <string_view>

#include "core/graph/graph.hpp"

namespace vg {

// A copy of `g` (live nodes, then live edges, each in slot order, values
// deep-copied, slots dense) plus one edge A -> C, carrying "predicate" and
// "type" equal to `predicate`, for every pair that a chain of one or more
// edges labelled `predicate` (stored orientation) connects and that no edge
// of the copy joins yet. The label is the edge's String "predicate", else
// its String "type", else the empty string.
PropertyGraph transitive_densify(const PropertyGraph& g, std::string_view predicate);

}  // namespace vg
