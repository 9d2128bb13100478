// Label propagation.
#include <algorithm>

#include "core/algorithms/label_propagation.hpp"

#include "core/graph/adjacency.hpp"

namespace vg {

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

}  // namespace

Communities label_propagation(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    const DistinctNeighbours nb = distinct_neighbours(s);
    // label: the labels now; next: those the iteration decides (every node
    // decides from the labels of the previous iteration); older: the labels
    // before the previous iteration.
    std::vector<uint32_t> label(n), next, older;
    for (uint32_t p = 0; p < n; ++p) label[p] = p;
    std::vector<uint32_t> count(n, 0);
    // A node decides as in the previous iteration, keeping its label, unless
    // its own label or a neighbour's changed there: after an iteration that
    // changed few labels, only those nodes are due.
    std::vector<uint8_t> due(n, 1);
    bool all_due = true;
    std::vector<uint32_t> changed;  // while few
    for (int iteration = 0; iteration < kMaxLabelIterations; ++iteration) {
        next = label;
        uint64_t changes = 0;
        changed.clear();
        for (uint32_t p = 0; p < n; ++p) {
            if (!all_due && !due[p]) continue;
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
            if (count[label[p]] != most) {
                next[p] = best;
                if (++changes * 4 < n) changed.push_back(p);
            }
            for (uint32_t q : neighbours) count[label[q]] = 0;
        }
        if (changes == 0) break;
        // Labels back where they were two iterations ago repeat that pair of
        // states until the last iteration: iteration + 1 iterations have
        // run, and an odd number left ends on the earlier state of the pair.
        if (next == older) {
            if ((kMaxLabelIterations - iteration - 1) % 2 == 0) label.swap(next);
            break;
        }
        older.swap(label);
        label.swap(next);
        all_due = changes * 4 >= n;
        if (!all_due) {
            std::fill(due.begin(), due.end(), 0);
            for (uint32_t p : changed) {
                due[p] = 1;
                for (uint32_t q : nb.row(p)) due[q] = 1;
            }
        }
    }
    return sorted_communities(s, at, label);
}

}  // namespace vg
