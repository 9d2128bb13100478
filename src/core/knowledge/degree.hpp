// Queries by node degree: hubs, orphans and the degree histogram.
//
// Ids in results are views into the graph's node records, valid until
// the graph next changes.
#pragma once
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// Degree as PropertyGraph::degree counts it, for every node slot (0 for
// vacant slots).
std::vector<uint64_t> slot_degrees(const PropertyGraph& g);
std::vector<std::string_view> hub_nodes(const PropertyGraph& g, uint64_t threshold);
std::vector<std::string_view> orphan_nodes(const PropertyGraph& g);
// (degree, node count) for each degree that occurs, in the order in which
// the degrees first occur in slot order.
std::vector<std::pair<uint64_t, uint64_t>> degree_histogram(const PropertyGraph& g);

}  // namespace vg
