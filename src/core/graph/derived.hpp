// Graphs derived from another one: reversed, undirected, ego graphs.
#pragma once
#include "core/graph/graph.hpp"

namespace vg {

PropertyGraph reverse_graph(const PropertyGraph& g);
PropertyGraph undirected_copy(const PropertyGraph& g);
// Ids within `radius` hops of `center`, edges followed either way, in
// breadth-first discovery order; an error for an unknown center.
Result<std::vector<std::string_view>> ego_node_ids(const PropertyGraph& g, std::string_view center, uint64_t radius);

}  // namespace vg
