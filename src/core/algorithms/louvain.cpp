// Louvain communities.
//
// Rows, neighbour weights and community totals are flat arrays rather than
// hash maps, which fixes the iteration orders: a row lists its neighbours
// in order of first appearance (edge slot order at the first level, merged
// node order at later ones), and a visited node examines the candidate
// communities in order of first appearance among its row entries. Of
// several candidates with exactly the same gain the first examined wins, so
// the partition is the same in every run.
#include <cmath>
#include <utility>

#include "core/algorithms/louvain.hpp"

#include "core/graph/adjacency.hpp"
#include "core/graph/edge_rules.hpp"

namespace vg {

namespace {

// Every move raises modularity, so the passes of a level end by themselves,
// though a large graph can take thousands of passes of ever smaller gains.
// Not so at the first level when a self-loop weight has the opposite sign
// to the total weight: that node can swing between two communities forever,
// so there the passes stop after kSwingingPasses. kMaxPasses only guards
// against cycles that rounding might close; no real input comes near it.
constexpr uint64_t kSwingingPasses = 1000;
constexpr uint64_t kMaxPasses = 1000000;

// One level's graph: each node's distinct neighbours with summed weights.
struct WeightedRows {
    std::vector<uint64_t> offset{0};
    std::vector<uint32_t> node;
    std::vector<double> weight;
    uint32_t size() const { return uint32_t(offset.size() - 1); }
};

// Sums weights per neighbour in the order they arrive and appends the row,
// neighbours in order of first appearance.
class RowAccumulator {
public:
    explicit RowAccumulator(uint32_t n) : sum_(n, 0.0), present_(n, 0) {}
    void add(uint32_t to, double w) {
        if (!present_[to]) {
            present_[to] = 1;
            order_.push_back(to);
        }
        sum_[to] += w;
    }
    void flush_into(WeightedRows& rows) {
        for (uint32_t to : order_) {
            rows.node.push_back(to);
            rows.weight.push_back(sum_[to]);
            sum_[to] = 0.0;
            present_[to] = 0;
        }
        order_.clear();
        rows.offset.push_back(rows.node.size());
    }

private:
    std::vector<double> sum_;
    std::vector<uint8_t> present_;
    std::vector<uint32_t> order_;
};

struct Level {
    WeightedRows rows;
    std::vector<double> strength;
};

class Louvain {
public:
    Louvain(double m, Level level, bool opposing_loops, bool skip_unchanged)
        : m_(m),
          d_(m * (m + m)),
          level_(std::move(level)),
          skip_unchanged_(skip_unchanged),
          first_level_passes_(opposing_loops ? kSwingingPasses : kMaxPasses) {}

    // Runs levels until one moves no node or merges no community; returns
    // for each first-level node the label of its community in the end.
    std::vector<uint32_t> run(uint32_t positions) {
        std::vector<uint32_t> node_of(positions);
        for (uint32_t p = 0; p < positions; ++p) node_of[p] = p;
        for (;;) {
            const uint32_t n = level_.rows.size();
            label_.resize(n);
            for (uint32_t i = 0; i < n; ++i) label_[i] = i;
            const bool moved = move_nodes();
            if (!moved) break;
            std::vector<uint32_t> number;
            const uint32_t merged = renumber(number);
            if (merged == n) break;
            level_ = aggregate(number, merged);
            for (uint32_t& x : node_of) x = number[label_[x]];
        }
        for (uint32_t& x : node_of) x = label_[x];
        return node_of;
    }

private:
    // Local moving: passes in node order until one moves nothing. A move
    // takes effect at once.
    //
    // A node's decision depends only on its own label, its neighbours'
    // labels and the totals of those labels. Late passes move a handful of
    // nodes each, so when the arithmetic is exact (see exact_level) only
    // nodes whose inputs a move has touched are visited again: the members
    // of the two communities and their neighbours. A visit that does not
    // move leaves every value as it was, so the skipped visits change
    // nothing and the passes are those of visiting every node.
    bool move_nodes() {
        const uint32_t n = level_.rows.size();
        com_.assign(n, Community());
        for (uint32_t i = 0; i < n; ++i) com_[label_[i]].total += level_.strength[i];
        const bool track = skip_unchanged_ && exact_level();
        if (track) start_tracking();
        bool moved_any = false, full = true;
        const uint64_t limit = std::exchange(first_level_passes_, kMaxPasses);
        for (uint64_t pass = 0; pass < limit; ++pass) {
            bool moved = false;
            // Marking costs the volume of the communities a move touches; a
            // pass that would spend more than a full pass on it visits every
            // remaining node, and so does the pass after it.
            mark_budget_ = level_.rows.node.size() + n;
            bool full_next = !track;
            for (uint32_t i = 0; i < n; ++i) {
                if (!full && !dirty_[i]) continue;
                if (track) dirty_[i] = 0;
                const uint32_t from = label_[i];
                if (!visit(i)) continue;
                moved = true;
                if (!track) continue;
                relink(i, from);
                if (!full_next && !mark(from, label_[i])) full = full_next = true;
            }
            full = full_next;
            moved_any |= moved;
            if (!moved) break;
        }
        return moved_any;
    }

    // Integer row weights and strengths, each kind's magnitudes summing
    // below 2^53: every link sum and total is then an exact integer, so a
    // node's visit computes the same gains from the same labels and totals,
    // and taking its strength out of its community and back restores the
    // total bit for bit. (A later level's strengths keep weight its rows
    // dropped, so both are checked.)
    bool exact_level() const {
        auto exact = [](const std::vector<double>& values) {
            double volume = 0.0;
            for (double w : values) {
                if (!(w == std::trunc(w))) return false;
                volume += std::fabs(w);
            }
            return volume < 0x1p53;
        };
        return exact(level_.rows.weight) && exact(level_.strength);
    }

    void start_tracking() {
        const uint32_t n = level_.rows.size();
        dirty_.assign(n, 1);
        // Every node starts alone in its community.
        next_.assign(n, END);
        prev_.assign(n, END);
        head_.resize(n);
        for (uint32_t i = 0; i < n; ++i) head_[i] = i;
    }

    // Moves i from community `from` to its new label in the member lists.
    void relink(uint32_t i, uint32_t from) {
        if (prev_[i] != END) next_[prev_[i]] = next_[i];
        else head_[from] = next_[i];
        if (next_[i] != END) prev_[next_[i]] = prev_[i];
        const uint32_t to = label_[i];
        prev_[i] = END;
        next_[i] = head_[to];
        if (head_[to] != END) prev_[head_[to]] = i;
        head_[to] = i;
    }

    // Marks what reads the totals of communities a and b: their members
    // and the members' neighbours. False when that would exceed the pass's
    // budget (the marks made so far stay; the caller visits every node).
    bool mark(uint32_t a, uint32_t b) {
        const WeightedRows& rows = level_.rows;
        for (uint32_t c : {a, b})
            for (uint32_t u = head_[c]; u != END; u = next_[u]) {
                const uint64_t cost = 1 + rows.offset[u + 1] - rows.offset[u];
                if (cost > mark_budget_) return false;
                mark_budget_ -= cost;
                dirty_[u] = 1;
                for (uint64_t e = rows.offset[u]; e < rows.offset[u + 1]; ++e) dirty_[rows.node[e]] = 1;
            }
        return true;
    }

    bool visit(uint32_t i) {
        const WeightedRows& rows = level_.rows;
        const uint32_t c = label_[i];
        const double k = level_.strength[i];
        // A self-loop row entry names i itself and so counts under c.
        for (uint64_t e = rows.offset[i]; e < rows.offset[i + 1]; ++e) {
            const uint32_t l = label_[rows.node[e]];
            Community& to = com_[l];
            if (!to.linked) {
                to.linked = true;
                candidates_.push_back(l);
            }
            to.links += rows.weight[e];
        }
        Community& own = com_[c];
        own.total -= k;
        const double base = own.links / m_ - (k * own.total) / d_;
        uint32_t best = c;
        double best_gain = 0.0;
        for (uint32_t l : candidates_) {
            const Community& to = com_[l];
            const double gain = (to.links / m_ - (k * to.total) / d_) - base;
            if (gain > best_gain) {
                best = l;
                best_gain = gain;
            }
        }
        own.total += k;
        for (uint32_t l : candidates_) {
            com_[l].links = 0.0;
            com_[l].linked = false;
        }
        candidates_.clear();
        if (best == c) return false;
        label_[i] = best;
        own.total -= k;
        com_[best].total += k;
        return true;
    }

    // Numbers the labels in use 0, 1, ... in ascending order (`number` is
    // indexed by label) and returns how many there are.
    uint32_t renumber(std::vector<uint32_t>& number) const {
        const uint32_t n = uint32_t(label_.size());
        number.assign(n, END);
        for (uint32_t l : label_) number[l] = 0;
        uint32_t next = 0;
        for (uint32_t l = 0; l < n; ++l)
            if (number[l] != END) number[l] = next++;
        return next;
    }

    // One node per community. Link weight inside a community is dropped,
    // but the strengths keep it.
    Level aggregate(const std::vector<uint32_t>& number, uint32_t merged) const {
        const uint32_t n = uint32_t(label_.size());
        const WeightedRows& rows = level_.rows;
        Level next;
        next.strength.assign(merged, 0.0);
        for (uint32_t i = 0; i < n; ++i) next.strength[number[label_[i]]] += level_.strength[i];
        // Members of each new node in ascending order, so every new row sums
        // its weights in the order of the old nodes and their rows.
        std::vector<uint32_t> first(size_t(merged) + 1, 0);
        for (uint32_t i = 0; i < n; ++i) ++first[number[label_[i]] + 1];
        for (uint32_t r = 0; r < merged; ++r) first[r + 1] += first[r];
        std::vector<uint32_t> members(n);
        std::vector<uint32_t> cursor(first.begin(), first.end() - 1);
        for (uint32_t i = 0; i < n; ++i) members[cursor[number[label_[i]]]++] = i;
        RowAccumulator acc(merged);
        next.rows.offset.reserve(size_t(merged) + 1);
        for (uint32_t a = 0; a < merged; ++a) {
            for (uint32_t k = first[a]; k < first[a + 1]; ++k) {
                const uint32_t i = members[k];
                for (uint64_t e = rows.offset[i]; e < rows.offset[i + 1]; ++e) {
                    const uint32_t b = number[label_[rows.node[e]]];
                    if (b != a) acc.add(b, rows.weight[e]);
                }
            }
            acc.flush_into(next.rows);
        }
        return next;
    }

    const double m_;
    const double d_;
    Level level_;
    std::vector<uint32_t> label_;
    // Per label, side by side as a visit reads them together: the total
    // strength, and the visited node's link weight to the label (valid
    // while `linked`).
    struct Community {
        double total = 0.0;
        double links = 0.0;
        bool linked = false;
    };
    std::vector<Community> com_;
    std::vector<uint32_t> candidates_;
    // Change tracking: nodes to visit again, and each community's members
    // as a linked list (head per label, links per node).
    std::vector<uint8_t> dirty_;
    std::vector<uint32_t> head_, next_, prev_;
    uint64_t mark_budget_ = 0;
    const bool skip_unchanged_;
    uint64_t first_level_passes_;
};

}  // namespace

double louvain_edge_weight(const Properties& properties) { return edge_weight(properties, "weight"); }

namespace {

Communities run_louvain(const PropertyGraph& g, bool skip_unchanged) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    std::vector<double> edge_w(s.edge_slots(), 0.0);
    double m = 0.0;
    bool loops = false;
    s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData& d) {
        edge_w[e] = louvain_edge_weight(d.properties);
        m += edge_w[e];
        loops = loops || x.source == x.target;
    });
    if (m == 0.0) {
        Communities alone(n);
        for (uint32_t p = 0; p < n; ++p) alone[p].push_back(s.id_of(at.slot[p]));
        return alone;
    }
    // Edge (s, t) of weight w adds w to row s at t and to row t at s, in
    // edge slot order; a self-loop adds 2w to its own entry.
    const Rows& links = dense_rows(s, Direction::Both, RowOrder::Slot);
    Level first;
    first.strength.assign(n, 0.0);
    first.rows.offset.reserve(size_t(n) + 1);
    RowAccumulator acc(n);
    for (uint32_t p = 0; p < n; ++p) {
        for (uint32_t i = links.begin(p); i < links.end(p); ++i) acc.add(links.targets[i], edge_w[links.edges[i]]);
        acc.flush_into(first.rows);
        for (uint64_t e = first.rows.offset[p]; e < first.rows.offset[p + 1]; ++e)
            first.strength[p] += first.rows.weight[e];
    }
    bool opposing_loops = false;  // a self-loop weighing against the total
    if (loops)
        s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
            if (x.source == x.target && edge_w[e] != 0.0 && (edge_w[e] < 0.0) != (m < 0.0)) opposing_loops = true;
        });
    Louvain louvain(m, std::move(first), opposing_loops, skip_unchanged);
    return sorted_communities(s, at, louvain.run(n));
}

}  // namespace

Communities louvain_core(const PropertyGraph& g) { return run_louvain(g, true); }

Communities louvain_visiting_every_node(const PropertyGraph& g) { return run_louvain(g, false); }

}  // namespace vg
