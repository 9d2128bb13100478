// Betweenness and closeness centrality: one breadth-first search per
// source over a flat snapshot of the forward neighbours. The per-node
// arrays are allocated once and only the nodes a search reached are reset.
#include "core/algorithms/path_centrality.hpp"

#include "core/support/score_order.hpp"

namespace vg {

namespace {

constexpr uint32_t kUnreached = END;

}  // namespace

ScoreList betweenness_centrality(const PropertyGraph& g, bool normalized) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    std::vector<double> score(n, 0.0);
    if (n < 3) return sorted_scores(s, at, score);
    const Rows& fwd = dense_rows(s, Direction::Neighbors);

    // Predecessor lists as one array: node w gets room for one entry per
    // forward entry that names it, the most a search can append.
    std::vector<uint64_t> pred_at(size_t(n) + 1, 0);
    for (uint32_t w : fwd.targets) ++pred_at[size_t(w) + 1];
    for (uint32_t p = 0; p < n; ++p) pred_at[p + 1] += pred_at[p];
    std::vector<uint32_t> pred(fwd.targets.size());

    // One search's state of a node side by side, so a visit touches one
    // cache line.
    struct State {
        double sigma = 0.0;
        double delta = 0.0;
        uint32_t dist = kUnreached;
        uint32_t preds = 0;
    };
    std::vector<State> st(n);
    std::vector<uint32_t> order(n);  // queue in visit order; popped from the back as the stack
    for (uint32_t src = 0; src < n; ++src) {
        st[src].sigma = 1.0;
        st[src].dist = 0;
        uint32_t head = 0, tail = 0;
        order[tail++] = src;
        while (head < tail) {
            const uint32_t v = order[head++];
            const uint32_t next_dist = st[v].dist + 1;
            const double sigma_v = st[v].sigma;
            for (uint32_t w : fwd.row(v)) {
                State& sw = st[w];
                if (sw.dist == kUnreached) {
                    sw.dist = next_dist;
                    order[tail++] = w;
                }
                if (sw.dist == next_dist) {
                    sw.sigma += sigma_v;
                    pred[pred_at[w] + sw.preds++] = v;
                }
            }
        }
        for (uint32_t i = tail; i-- > 0;) {
            const uint32_t w = order[i];
            const State& sw = st[w];
            const double sigma_w = sw.sigma, carry = sw.delta + 1.0;
            const uint64_t first = pred_at[w];
            for (uint64_t k = first; k < first + sw.preds; ++k) {
                State& sv = st[pred[k]];
                sv.delta += (sv.sigma / sigma_w) * carry;
            }
            if (w != src) score[w] += sw.delta;
        }
        for (uint32_t i = 0; i < tail; ++i) st[order[i]] = State();
    }
    // Ordered pairs of other nodes; the product is exact in 64 bits.
    const uint64_t pairs = uint64_t(n - 1) * uint64_t(n - 2);
    if (!s.is_directed()) {
        // Each unordered pair was counted from both ends.
        for (double& x : score) x *= 0.5;
        if (normalized)
            for (double& x : score) x /= double(pairs / 2);
    } else if (normalized) {
        for (double& x : score) x /= double(pairs);
    }
    return sorted_scores(s, at, score);
}

ScoreList closeness_centrality(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    const Positions& at = positions(s);
    const uint32_t n = at.size();
    if (n == 0) return {};
    const Rows& fwd = dense_rows(s, Direction::Neighbors);
    std::vector<double> score(n, 0.0);
    std::vector<uint32_t> dist(n, kUnreached);
    std::vector<uint32_t> queue(n);
    for (uint32_t src = 0; src < n; ++src) {
        dist[src] = 0;
        uint32_t head = 0, tail = 0;
        queue[tail++] = src;
        double total = 0.0;
        while (head < tail) {
            const uint32_t v = queue[head++];
            const uint32_t next_dist = dist[v] + 1;
            for (uint32_t w : fwd.row(v)) {
                if (dist[w] != kUnreached) continue;
                dist[w] = next_dist;
                total += double(next_dist);
                queue[tail++] = w;
            }
        }
        const double reached = double(tail - 1);
        if (tail > 1 && total > 0.0) score[src] = reached / total;
        for (uint32_t i = 0; i < tail; ++i) dist[queue[i]] = kUnreached;
    }
    return sorted_scores(s, at, score);
}

}  // namespace vg
