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
// Row p is target[begin[p] .. end[p]).
struct DistinctNeighbours {
    std::vector<uint32_t> begin, end, target;
    std::span<const uint32_t> row(uint32_t p) const { return {target.data() + begin[p], end[p] - begin[p]}; }
};

// The undirected walk is symmetric (q is in p's row as often as p is in
// q's), so handing each row's node to the rows of its entries, rows taken
// in ascending order, fills every row in ascending order, each repeat
// right after its first copy.
DistinctNeighbours distinct_neighbours(const GraphInner& s) {
    const Rows& links = dense_rows(s, Direction::Undirected, RowOrder::Slot);
    const uint32_t n = positions(s).size();
    DistinctNeighbours nb;
    nb.begin.assign(links.first.begin(), links.first.begin() + n);
    nb.end = nb.begin;
    nb.target.resize(links.targets.size());
    for (uint32_t q = 0; q < n; ++q)
        for (uint32_t p : links.row(q)) {
            uint32_t& at = nb.end[p];
            if (at == nb.begin[p] || nb.target[at - 1] != q) nb.target[at++] = q;
        }
    return nb;
}

struct LabelChange {
    uint32_t node, from, to;
};

}  // namespace

Communities label_propagation(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    const DistinctNeighbours nb = distinct_neighbours(s);
    std::vector<uint32_t> label(n);
    for (uint32_t p = 0; p < n; ++p) label[p] = p;
    std::vector<uint32_t> count(n, 0);
    // A node decides as in the previous iteration, keeping its label, unless
    // its own label or a neighbour's changed there: only those are due.
    std::vector<uint8_t> due(n, 1);
    // Changes are gathered and applied after the iteration, so every node
    // decides from the labels of the previous one.
    std::vector<LabelChange> changes, previous;
    for (int iteration = 0; iteration < kMaxLabelIterations; ++iteration) {
        changes.clear();
        for (uint32_t p = 0; p < n; ++p) {
            if (!due[p]) continue;
            auto neighbours = nb.row(p);
            if (neighbours.empty()) continue;
            // The most frequent label, the smallest among equals.
            uint32_t most = 0, best = 0;
            for (uint32_t q : neighbours) {
                const uint32_t l = label[q], c = ++count[l];
                if (c > most || (c == most && l < best)) {
                    most = c;
                    best = l;
                }
            }
            if (count[label[p]] != most) changes.push_back({p, label[p], best});
            for (uint32_t q : neighbours) count[label[q]] = 0;
        }
        for (const LabelChange& c : changes) label[c.node] = c.to;
        if (changes.empty()) break;
        // Labels back where they were two iterations ago repeat that pair of
        // states until the last iteration: iteration + 1 iterations have
        // run, and an odd number left ends on the other state.
        auto undoes = [](const LabelChange& now, const LabelChange& before) {
            return now.node == before.node && now.to == before.from;
        };
        if (changes.size() == previous.size() &&
            std::equal(changes.begin(), changes.end(), previous.begin(), undoes)) {
            if ((kMaxLabelIterations - iteration - 1) % 2)
                for (const LabelChange& c : changes) label[c.node] = c.from;
            break;
        }
        if (changes.size() * 4 >= n) {
            std::fill(due.begin(), due.end(), 1);
        } else {
            std::fill(due.begin(), due.end(), 0);
            for (const LabelChange& c : changes) {
                due[c.node] = 1;
                for (uint32_t q : nb.row(c.node)) due[q] = 1;
            }
        }
        changes.swap(previous);
    }
    return sorted_communities(s, at, label);
}

}  // namespace vg
