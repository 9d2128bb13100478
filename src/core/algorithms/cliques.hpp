// Maximal cliques (Bron-Kerbosch with pivoting) and k-clique communities
// (clique percolation). Neighbour sets follow the outgoing walk on the
// directed kind and every incident edge on the undirected kind; self-loops
// and parallel edges add nothing to them. On the undirected kind every
// maximal clique comes out exactly once; on the directed kind the search
// runs over outgoing neighbours, which gives the cliques of mutually joined
// nodes when every edge has its reverse. Both read the store in place and
// keep their own stack, so deep searches are safe. Ids in results are
// views into the graph's node records.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/algorithms/results.hpp"
#include "core/support/interrupt.hpp"

namespace vg {

// The maximal cliques, at most `max_cliques` of them (the first ones
// found); the order of the cliques and of their members carries no
// meaning. A graph with no nodes has one empty clique. Error when the
// graph has more than `max_input_nodes` live nodes, before any work.
// Throws Interrupted when the hook asks it to stop.
Result<IdGroups> maximal_cliques(const PropertyGraph& g, uint64_t max_input_nodes, uint64_t max_cliques,
                                 const Interrupt* interrupt = nullptr);

// Unions of maximal cliques of at least k members that are chained by
// overlaps of at least k-1 members. Members sorted byte-wise, communities
// sorted by first member (stable). For k of 0 or 1 the weakly connected
// components instead, members in slot order, components in no set order.
// Throws Interrupted when the hook asks it to stop.
IdGroups k_clique_communities(const PropertyGraph& g, uint64_t k, const Interrupt* interrupt = nullptr);

}  // namespace vg
