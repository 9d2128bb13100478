#include "core/algorithms/results.hpp"

#include <algorithm>

#include "core/support/score_order.hpp"

namespace vg {

ScoreList sorted_scores(const GraphInner& s, const Positions& at, const std::vector<double>& score) {
    const std::vector<uint32_t> order = rank_by_score(score);
    ScoreList out;
    out.reserve(order.size());
    // Node records are read in score order, scattered over the store.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + kAhead < order.size()) s.prefetch_node(at.slot[order[i + kAhead]]);
        out.emplace_back(s.id_of(at.slot[order[i]]), score[order[i]]);
    }
    return out;
}

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

}  // namespace vg
