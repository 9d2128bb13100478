// Merging two graphs' nodes and joined pairs.
//
// The given graphs are read, never changed.
#pragma once
#include <cstdint>
#include <string_view>

#include "core/graph/graph.hpp"

namespace vg {

enum class MergePolicy : uint8_t { KeepFirst, Merge, KeepLatest };
// "keep_first" and "merge" by exact name; every other string keeps the latest.
MergePolicy merge_policy(std::string_view name);
Properties merge_node_properties(const Properties& base, const Properties& other, MergePolicy policy);
// Nodes and joined pairs of both graphs, once each; `base` decides
// direction, the result never allows parallel edges and has no name.
PropertyGraph merge_graphs(const PropertyGraph& base, const PropertyGraph& other, MergePolicy policy);

}  // namespace vg
