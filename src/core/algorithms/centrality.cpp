// PageRank, degree centralities and eigenvector centrality.
#include <algorithm>
#include <cmath>

#include "core/algorithms/centrality.hpp"
#include "core/algorithms/results.hpp"
#include "core/support/score_order.hpp"

namespace vg {

ScoreList pagerank(const PropertyGraph& g, double d, uint64_t iterations) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    // The sources of each node's stored incoming edges, in edge slot order
    // (on both graph kinds), and each node's stored outgoing count.
    const Rows& in = dense_rows(s, Direction::In, RowOrder::Slot);
    std::vector<uint64_t> out_count(n, 0);
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) { ++out_count[at.pos[x.source]]; });
    std::vector<uint32_t> dangling;
    for (uint32_t p = 0; p < n; ++p)
        if (out_count[p] == 0) dangling.push_back(p);
    const double nd = double(n);
    std::vector<double> rank(n, 1.0 / nd);
    // rank[u] / out-degree[u] is the same for every edge leaving u, so it
    // is divided once per node; the sums add the same values in the same
    // order as dividing per edge.
    std::vector<double> share(n, 0.0);
    iterate_with_recurrence(rank, iterations, [&](const std::vector<double>& x, std::vector<double>& next) {
        double lost = 0.0;
        for (uint32_t p : dangling) lost += x[p];
        const double t = (1.0 - d) / nd;
        const double base = t + (d * lost) / nd;
        for (uint32_t p = 0; p < n; ++p)
            if (out_count[p] != 0) share[p] = x[p] / double(out_count[p]);
        double total = 0.0;
        for (uint32_t v = 0; v < n; ++v) {
            double sum = 0.0;
            for (uint32_t u : in.row(v)) sum += share[u];
            next[v] = base + d * sum;
            total += next[v];
        }
        if (total > 0.0)
            for (double& r : next) r /= total;
        return false;
    });
    return sorted_scores(s, at, rank);
}

namespace {

enum class DegreeKind { All, In, Out };

// Edge ends counted per position. Without vacant node slots a position is
// its slot and the lookup is skipped.
template <class Count>
std::vector<Count> degree_counts(const GraphInner& s, const Positions& at, DegreeKind kind) {
    std::vector<Count> count(at.size(), 0);
    const bool directed = s.is_directed();
    const bool dense = at.size() == s.node_slots();
    const bool outs = kind != DegreeKind::In, ins = kind != DegreeKind::Out;
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        const uint32_t a = dense ? x.source : at.pos[x.source], b = dense ? x.target : at.pos[x.target];
        if (outs) ++count[a];
        // An undirected self-loop is one incident edge.
        if (ins && (directed || a != b)) ++count[b];
    });
    return count;
}

template <class Count>
void degree_fractions(const GraphInner& s, const Positions& at, DegreeKind kind, std::vector<double>& score) {
    const std::vector<Count> count = degree_counts<Count>(s, at, kind);
    const double others = double(at.size() - 1);
    for (uint32_t p = 0; p < at.size(); ++p) score[p] = double(count[p]) / others;
}

ScoreList degree_scores(const PropertyGraph& g, DegreeKind kind) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    std::vector<double> score(at.size(), 0.0);
    if (at.size() >= 2) {
        // A node counts at most two ends per edge slot; half the slot
        // numbers cannot overflow 32 bits.
        if (s.edge_slots() < (uint32_t(1) << 31)) degree_fractions<uint32_t>(s, at, kind, score);
        else degree_fractions<uint64_t>(s, at, kind, score);
    }
    return sorted_scores(s, at, score);
}

}  // namespace

ScoreList degree_centrality_scores(const PropertyGraph& g) { return degree_scores(g, DegreeKind::All); }

ScoreList in_degree_centrality(const PropertyGraph& g) {
    return degree_scores(g, g.directed() ? DegreeKind::In : DegreeKind::All);
}

ScoreList out_degree_centrality(const PropertyGraph& g) {
    return degree_scores(g, g.directed() ? DegreeKind::Out : DegreeKind::All);
}

ScoreList eigenvector_centrality(const PropertyGraph& g, uint64_t iterations, double tolerance) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    // Scores flow along edges into a node: its incoming walk on the directed
    // kind, every incident edge on the undirected kind.
    const Rows& back = dense_rows(s, s.is_directed() ? Direction::In : Direction::Neighbors);
    std::vector<double> x(n, 1.0 / std::sqrt(double(n)));
    iterate_with_recurrence(x, iterations, [&](const std::vector<double>& cur, std::vector<double>& next) {
        double sumsq = 0.0;
        for (uint32_t v = 0; v < n; ++v) {
            double sum = 0.0;
            for (uint32_t u : back.row(v)) sum += cur[u];
            next[v] = sum;
            sumsq += sum * sum;
        }
        if (sumsq > 0.0) {
            const double norm = std::sqrt(sumsq);
            for (double& v : next) v /= norm;
        }
        double change = 0.0;
        for (uint32_t v = 0; v < n; ++v) {
            const double diff = next[v] - cur[v];
            change += diff * diff;
        }
        return std::sqrt(change) < tolerance;
    });
    return sorted_scores(s, at, x);
}

}  // namespace vg
