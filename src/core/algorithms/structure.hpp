// Structural questions about one graph: bridges, cut vertices,
// two-colourability and density. All read the store in place, use explicit
// stacks (a path of any length is safe) and never change the graph. Ids in
// results are views into the graph's node records.
#pragma once
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// Edges whose removal separates their endpoints, found by one depth-first
// search per unreached node in slot order: outgoing edges only on the
// directed kind, every incident edge on the undirected kind. An edge back
// to the parent node is never a back edge (whichever copy it is), so on the
// undirected kind parallel edges count as one connection. (stored source,
// stored target) in edge slot order.
std::vector<std::pair<std::string_view, std::string_view>> bridges(const PropertyGraph& g);

// Cut vertices of the underlying undirected graph, ids sorted byte-wise.
std::vector<std::string_view> articulation_points(const PropertyGraph& g);

// Whether the graph, direction ignored, can be coloured with two colours:
// true exactly when it has no odd cycle (a self-loop is one).
bool is_bipartite(const PropertyGraph& g);

// E / (N(N-1)) directed, 2E / (N(N-1)) undirected, 0.0 below two nodes;
// parallel edges and self-loops count, so the value may exceed 1.
double density(const PropertyGraph& g);

}  // namespace vg
