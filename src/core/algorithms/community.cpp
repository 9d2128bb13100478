// Label propagation and the grouping shared by the community functions.
#include <algorithm>

#include "core/algorithms/algorithms.hpp"
#include "core/algorithms/community.hpp"

namespace vg {

double louvain_edge_weight(const Properties& properties) { return edge_weight(properties, "weight"); }

Communities sorted_communities(const GraphInner& s, const NodePositions& at, const std::vector<uint32_t>& label) {
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
CompactAdjacency distinct_neighbours(const GraphInner& s, const NodePositions& at) {
    const SlotOrderLinks links = slot_order_links(s, at);
    CompactAdjacency nb;
    nb.offset.assign(size_t(at.size()) + 1, 0);
    nb.target.reserve(links.adj.target.size());
    std::vector<uint32_t> scratch;
    for (uint32_t p = 0; p < at.size(); ++p) {
        auto row = links.adj.of(p);
        scratch.assign(row.begin(), row.end());
        std::sort(scratch.begin(), scratch.end());
        scratch.erase(std::unique(scratch.begin(), scratch.end()), scratch.end());
        nb.target.insert(nb.target.end(), scratch.begin(), scratch.end());
        nb.offset[p + 1] = nb.target.size();
    }
    return nb;
}

}  // namespace

Communities label_propagation(const PropertyGraph& g) {
    const GraphInner& s = store_of(g);
    const NodePositions at = node_positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    const CompactAdjacency nb = distinct_neighbours(s, at);
    std::vector<uint32_t> label(n), next(n);
    for (uint32_t p = 0; p < n; ++p) label[p] = p;
    std::vector<uint32_t> count(n, 0);
    std::vector<uint32_t> seen;  // labels with a nonzero count
    for (int iteration = 0; iteration < kMaxLabelIterations; ++iteration) {
        // Every node decides from the labels of the previous iteration.
        next = label;
        bool changed = false;
        for (uint32_t p = 0; p < n; ++p) {
            auto neighbours = nb.of(p);
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
