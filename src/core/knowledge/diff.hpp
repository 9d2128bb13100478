// What changed between two graphs.
//
// The given graphs are read, never changed; entries are slots, which the
// caller turns into ids, one shared object per node.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// Entries are node slots: "added" ones of the new graph, the others of the
// old graph; edges as (stored source, stored target) slot pairs.
using SlotPair = std::pair<uint32_t, uint32_t>;
struct GraphDiff {
    std::vector<uint32_t> added_nodes;
    std::vector<uint32_t> removed_nodes;
    std::vector<SlotPair> added_edges;
    std::vector<SlotPair> removed_edges;
    std::vector<uint32_t> changed_node_properties;
};
GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph);
// Same entry count and every name of `a` in `b` with an equal value.
bool properties_equal(const Properties& a, const Properties& b);

}  // namespace vg
