// What the algorithm families hand back, and the two builders that every
// ranked list and every partition goes through. Ids are views into the
// graph's node records, valid until the graph next changes; slot results
// are turned into ids by the caller, one shared object per node.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/adjacency.hpp"

namespace vg {

// (id, score) per node, best score first.
using ScoreList = std::vector<std::pair<std::string_view, double>>;
// Lists of ids: cliques, communities.
using IdGroups = std::vector<std::vector<std::string_view>>;
using Communities = IdGroups;
// (lower slot, higher slot) pairs.
using NodePairs = std::vector<std::pair<uint32_t, uint32_t>>;

// Lists of node slots stored back to back: group i is
// members[starts[i] .. starts[i + 1]).
struct SlotGroups {
    std::vector<uint32_t> members;
    std::vector<size_t> starts{0};

    size_t size() const { return starts.size() - 1; }
    std::span<const uint32_t> operator[](size_t i) const {
        return {members.data() + starts[i], starts[i + 1] - starts[i]};
    }
    // Ends the group made of the members appended since the last call.
    void close() { starts.push_back(members.size()); }
};

// Pairs each position's id with its score, ordered by score descending
// with NaN last and equal scores in position (slot) order.
ScoreList sorted_scores(const GraphInner& s, const Positions& at, const std::vector<double>& score);

// Groups positions by label (`label[p]` < label.size()), maps positions to
// ids, sorts each group byte-wise and the groups by their first id.
Communities sorted_communities(const GraphInner& s, const Positions& at, const std::vector<uint32_t>& label);

}  // namespace vg
