// Betweenness and closeness centrality: scores from breadth-first searches
// out of every node. Results are ranked like every score list (see
// centrality.hpp) and hold id views valid until the graph next changes.
#pragma once
#include "core/algorithms/results.hpp"

namespace vg {

// Brandes betweenness over unweighted shortest paths; parallel edges count
// as distinct paths. Undirected scores are halved; `normalized` divides by
// the number of ordered (directed) or unordered (undirected) pairs of other
// nodes. All zero below three nodes.
ScoreList betweenness_centrality(const PropertyGraph& g, bool normalized);

// Nodes reached / sum of their hop distances, searching along outgoing
// edges on the directed kind; 0.0 for a node that reaches nothing.
ScoreList closeness_centrality(const PropertyGraph& g);

}  // namespace vg
