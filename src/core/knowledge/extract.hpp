// Nodes selected by their properties and the subgraphs they induce.
//
// Ids in results are views into the graph's node records, valid until
// the graph next changes.
#pragma once
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// Live nodes (slot order) whose "type" is a String among `types`.
std::vector<std::string_view> nodes_of_types(const PropertyGraph& g, const std::vector<std::string_view>& types);
// The subgraph the selected ids induce; they are live and distinct.
PropertyGraph induced_subgraph(const PropertyGraph& g, const std::vector<std::string_view>& ids);

}  // namespace vg
