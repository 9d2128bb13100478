// Label propagation and the grouping shared by the community functions.
#include <algorithm>

#include "core/algorithms/community.hpp"

#include "core/graph/adjacency.hpp"

namespace vg {

double louvain_edge_weight(const Properties& properties) { return edge_weight(properties, "weight"); }

Communities sorted_communities(const GraphInner& s, const Positions& at, const std::vector<uint32_t>& label) {
    std::vector<uint32_t> group_of(label.size(), END);
    Communities groups;
    for (uint32_t p = 0; p < label.size(); ++p) {
        uint32_t& gi = group_of[label[p]];
        if (gi == END) {
            gi = uint32_t(groups.size());
            groups.emplace_back();
        }
        groups[gi].push_back(s.id_of(at.slot[p]));
    }
    // string_view compares bytes as unsigned values, a prefix first.
    for (auto& group : groups) std::sort(group.begin(), group.end());
    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return groups;
}

namespace {

constexpr int kMaxLabelIterations = 100;

// Each node's distinct neighbours, ascending; a self-loop lists the node.
struct DistinctNeighbours {
    std::vector<uint32_t> first{0}, target;
    std::span<const uint32_t> row(uint32_t p) const { return {target.data() + first[p], first[p + 1] - first[p]}; }
};

DistinctNeighbours distinct_neighbours(const GraphInner& s) {
    const Rows& links = dense_rows(s, Direction::Undirected, RowOrder::Slot);
    const uint32_t n = positions(s).size();
    DistinctNeighbours nb;
    nb.first.reserve(size_t(n) + 1);
    nb.target.reserve(links.targets.size());
    for (uint32_t p = 0; p < n; ++p) {
        const size_t from = nb.target.size();
        auto row = links.row(p);
        nb.target.insert(nb.target.end(), row.begin(), row.end());
        std::sort(nb.target.begin() + from, nb.target.end());
        nb.target.erase(std::unique(nb.target.begin() + from, nb.target.end()), nb.target.end());
        nb.first.push_back(uint32_t(nb.target.size()));
    }
    return nb;
}

}  // namespace

Communities label_propagation(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    const DistinctNeighbours nb = distinct_neighbours(s);
    std::vector<uint32_t> label(n), next(n);
    for (uint32_t p = 0; p < n; ++p) label[p] = p;
    std::vector<uint32_t> count(n, 0);
    std::vector<uint32_t> seen;  // labels with a nonzero count
    for (int iteration = 0; iteration < kMaxLabelIterations; ++iteration) {
        // Every node decides from the labels of the previous iteration.
        next = label;
        bool changed = false;
        for (uint32_t p = 0; p < n; ++p) {
            auto neighbours = nb.row(p);
            if (neighbours.empty()) continue;
            for (uint32_t q : neighbours)
                if (count[label[q]]++ == 0) seen.push_back(label[q]);
            uint32_t most = 0, best = END;
            for (uint32_t l : seen)
                if (count[l] > most || (count[l] == most && l < best)) {
                    most = count[l];
                    best = l;
                }
            if (count[label[p]] != most) {
                next[p] = best;
                changed = true;
            }
            for (uint32_t l : seen) count[l] = 0;
            seen.clear();
        }
        label.swap(next);
        if (!changed) break;
    }
    return sorted_communities(s, at, label);
}

}  // namespace vg
