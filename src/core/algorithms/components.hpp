// Connected components: Tarjan's strongly connected components, weak
// components by union-find, the component labels of a bare edge list, and
// the condensation of a graph into its components.
//
// Every function reads the store in place and never changes it; all
// searches keep their own stacks, so a path of any length is safe.
#pragma once
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/algorithms/results.hpp"

namespace vg {

// Strongly connected components of the directed walk, in the order they
// complete: a component comes after every component it has an edge into
// (sinks first). Within a component, members are in the order their visits
// finished, the component's root (first visited) last. Outgoing edges are
// followed newest first. With `component_of`, also each live slot's
// component number (its position in the result); vacant slots get END.
SlotGroups tarjan_scc(const GraphInner& s, std::vector<uint32_t>* component_of = nullptr);

// Weak components (direction ignored, self-loops play no part). Members are
// in slot order; the groups are ordered by their first member, an order
// callers must not rely on.
SlotGroups weak_component_groups(const GraphInner& s);

// Directed graph: tarjan_scc; undirected graph: the weak components.
SlotGroups strongly_connected_components(const PropertyGraph& g);
size_t num_connected_components(const PropertyGraph& g);
bool is_weakly_connected(const PropertyGraph& g);
bool is_strongly_connected(const PropertyGraph& g);

// Label of each element 0..n_nodes-1: the smallest element of its
// component under the given undirected edges. Error "edge references node
// {} but n_nodes is {}" for the first endpoint at or past n_nodes (the
// source endpoint checked first). n_nodes must fit 32 bits (the caller
// refuses larger counts before anything is allocated).
Result<std::vector<uint32_t>> connected_component_labels(uint32_t n_nodes,
                                                         const std::vector<std::pair<uint32_t, uint32_t>>& edges);

// A new directed graph with one node per component (its id: the member ids
// sorted byte-wise and joined with ",") and, for directed input, one edge
// per ordered pair of distinct components joined by an input edge, in the
// order of the first such edge's slot. Nodes of directed input follow
// tarjan_scc's order. Refused additions (two components with one name) are
// skipped.
PropertyGraph condensation(const PropertyGraph& g);

}  // namespace vg
