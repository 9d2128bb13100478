// Weighted path searches: Dijkstra, A* with a zero estimate, Bellman-Ford.
#include <limits>

#include "core/algorithms/paths.hpp"

#include "core/errors.hpp"
#include "core/graph/adjacency.hpp"
#include "core/support/cost_queue.hpp"

namespace vg {

namespace {

// Weight of entry i of the traversal walk: 1.0 without a key, else the
// table read once per graph state and key.
struct WeightOf {
    EdgeWeights table;
    bool keyed;
    WeightOf(const PropertyGraph& g, std::optional<std::string_view> key) : keyed(key.has_value()) {
        if (key) table = entry_weights(g.store(), Direction::Neighbors, RowOrder::Walk, *key);
    }
    double operator()(size_t i) const { return keyed ? table[i] : 1.0; }
};

enum : uint8_t { kUnreached = 0, kReached = 1, kSettled = 2 };

struct DijkstraRun {
    std::vector<double> cost;     // by node slot, valid once reached
    std::vector<uint8_t> state;   // kUnreached / kReached / kSettled
    std::vector<uint32_t> reached;  // in the order first reached
};

DijkstraRun dijkstra(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target,
                     std::optional<std::string_view> key) {
    const GraphInner& s = g.store();
    require_live(s, source);
    if (target) require_live(s, *target);
    const Rows& adj = rows(s, Direction::Neighbors);
    const WeightOf weight(g, key);
    DijkstraRun run;
    run.cost.resize(s.node_slots());
    run.state.assign(s.node_slots(), kUnreached);
    run.cost[source] = 0.0;
    run.state[source] = kReached;
    run.reached.push_back(source);
    CostQueue queue;
    queue.push(0.0, source);
    while (auto top = queue.pop()) {
        const uint32_t n = top->node;
        const double c = top->cost;
        if (run.state[n] == kSettled) continue;
        if (target && n == *target) break;
        for (uint32_t i = adj.begin(n), end = adj.end(n); i < end; ++i) {
            const uint32_t m = adj.targets[i];
            if (run.state[m] == kSettled) continue;
            double d = c + weight(i);
            if (run.state[m] == kReached) {
                if (!(d < run.cost[m])) continue;
            } else {
                run.state[m] = kReached;
                run.reached.push_back(m);
            }
            run.cost[m] = d;
            queue.push(d, m);
        }
        // Settled only after its own edges, so a self-loop is relaxed too.
        run.state[n] = kSettled;
    }
    return run;
}

// Whether the predecessor links of `nodes` (each pointing to a member of
// `nodes` or END) contain a cycle. Reusable across calls: marks carry a
// round number instead of being cleared.
class PredecessorCycleCheck {
public:
    explicit PredecessorCycleCheck(size_t slots) : round_of_(slots, 0), start_of_(slots, 0) {}

    bool has_cycle(const std::vector<uint32_t>& pred, const std::vector<uint32_t>& nodes) {
        ++round_;
        for (size_t i = 0; i < nodes.size(); ++i) {
            const uint32_t start = uint32_t(i);
            for (uint32_t v = nodes[i]; v != END; v = pred[v]) {
                if (round_of_[v] == round_) {
                    if (start_of_[v] == start) return true;  // met our own walk again
                    break;                                    // joins an earlier, acyclic walk
                }
                round_of_[v] = round_;
                start_of_[v] = start;
            }
        }
        return false;
    }

private:
    std::vector<uint64_t> round_of_;
    std::vector<uint32_t> start_of_;
    uint64_t round_ = 0;
};

// Hop counts from `source` in breadth-first order, stopping once `target`
// is queued. With every edge weighing 1.0 the cost search above settles
// nodes by hop count, so a node's cost is its hop count and the nodes it
// reaches without a target are exactly those the breadth-first pass
// queues; only the order of reaching differs, and it carries no meaning.
struct HopRun {
    std::vector<uint32_t> order;
    std::vector<uint64_t> hops;
};

HopRun hop_counts(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target) {
    const GraphInner& s = g.store();
    require_live(s, source);
    const Rows& adj = rows(s, Direction::Neighbors);
    std::vector<uint8_t> seen(s.node_slots(), 0);
    HopRun run{{source}, {0}};
    seen[source] = 1;
    if (target && *target == source) return run;
    for (size_t head = 0; head < run.order.size(); ++head) {
        const uint32_t n = run.order[head];
        const uint64_t next = run.hops[head] + 1;
        for (uint32_t i = adj.begin(n), end = adj.end(n); i < end; ++i) {
            const uint32_t w = adj.targets[i];
            if (seen[w]) continue;
            seen[w] = 1;
            run.order.push_back(w);
            run.hops.push_back(next);
            if (target && w == *target) return run;
        }
    }
    return run;
}

}  // namespace

std::vector<NodeCost> dijkstra_distances(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target,
                                         std::optional<std::string_view> weight_key) {
    if (!weight_key && !target) {
        HopRun hops = hop_counts(g, source, std::nullopt);
        std::vector<NodeCost> out;
        out.reserve(hops.order.size());
        std::vector<std::string_view> ids = ids_of(g.store(), hops.order);
        for (size_t i = 0; i < ids.size(); ++i) out.push_back({ids[i], double(hops.hops[i])});
        return out;
    }
    DijkstraRun run = dijkstra(g, source, target, weight_key);
    std::vector<NodeCost> out;
    out.reserve(run.reached.size());
    std::vector<std::string_view> ids = ids_of(g.store(), run.reached);
    for (size_t i = 0; i < ids.size(); ++i) out.push_back({ids[i], run.cost[run.reached[i]]});
    return out;
}

std::optional<double> shortest_path_length(const PropertyGraph& g, uint32_t source, uint32_t target,
                                           std::optional<std::string_view> weight_key) {
    if (!weight_key) {
        require_live(g.store(), target);
        HopRun hops = hop_counts(g, source, target);
        if (hops.order.back() != target) return std::nullopt;
        return double(hops.hops.back());
    }
    DijkstraRun run = dijkstra(g, source, target, weight_key);
    if (run.state[target] == kUnreached) return std::nullopt;
    return run.cost[target];
}

Result<std::optional<WeightedPath>> astar_path(const PropertyGraph& g, uint32_t source, uint32_t target,
                                               std::optional<std::string_view> weight_key) {
    const GraphInner& s = g.store();
    require_live(s, source);
    require_live(s, target);
    const Rows& adj = rows(s, Direction::Neighbors);
    const WeightOf weight(g, weight_key);
    std::vector<double> best(s.node_slots());
    std::vector<uint32_t> pred(s.node_slots(), END);
    std::vector<uint8_t> reached(s.node_slots(), 0);
    std::vector<uint32_t> reached_list{source};
    best[source] = 0.0;
    reached[source] = 1;
    CostQueue queue;
    queue.push(0.0, source);

    // Re-opening nodes never ends on a negative cycle. A cycle among the
    // predecessor links appears only through one, and once labels fall low
    // enough it stays, so the links are checked for a cycle after as many
    // label lowerings as there are reached nodes (linear work per check,
    // constant per lowering). Without negative weights no cycle can form.
    std::optional<PredecessorCycleCheck> cycle_check;
    bool negative_seen = false;
    uint64_t lowerings = 0;

    bool found = false;
    while (auto top = queue.pop()) {
        const uint32_t n = top->node;
        const double gn = top->cost;
        if (n == target) {
            found = true;
            break;
        }
        if (best[n] < gn) continue;  // a cheaper route to n was expanded
        for (uint32_t i = adj.begin(n), end = adj.end(n); i < end; ++i) {
            const uint32_t m = adj.targets[i];
            const double w = weight(i);
            if (w < 0) negative_seen = true;
            const double gm = gn + w;
            if (reached[m]) {
                if (!(gm < best[m])) continue;
                if (negative_seen) ++lowerings;
            } else {
                reached[m] = 1;
                reached_list.push_back(m);
            }
            best[m] = gm;
            pred[m] = n;
            queue.push(gm, m);
        }
        if (negative_seen && lowerings >= reached_list.size()) {
            lowerings = 0;
            if (!cycle_check) cycle_check.emplace(s.node_slots());
            if (cycle_check->has_cycle(pred, reached_list)) return errors::negative_cycle();
        }
    }
    if (!found) return std::optional<WeightedPath>();

    // A simple path has at most node_count nodes; a longer chain loops.
    std::vector<uint32_t> chain{target};
    while (pred[chain.back()] != END) {
        if (chain.size() >= s.node_count()) return errors::negative_cycle();
        chain.push_back(pred[chain.back()]);
    }
    WeightedPath out;
    out.cost = best[target];
    out.path.reserve(chain.size());
    for (size_t i = chain.size(); i-- > 0;) out.path.push_back(s.id_of(chain[i]));
    return std::optional<WeightedPath>(std::move(out));
}

namespace {

// The relaxation passes and the check pass, edges in slot order.
Result<bool> relax_all(const PropertyGraph& g, std::vector<double>& dist, std::string_view key) {
    const GraphInner& s = g.store();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    // Passes revisit every edge: the live edges and their weights come as
    // flat arrays in slot order, read once per graph state and key.
    const EdgeList& edges = edge_list(s);
    const EdgeWeights weight = edge_list_weights(s, key);
    const size_t m = edges.edge.size();

    // From an unreached source (+inf) no finite weight lowers anything, so
    // such edges are skipped.
    const uint64_t n_live = s.node_count();
    if (n_live >= 2) {
        for (uint64_t pass = 1; pass <= n_live - 1; ++pass) {
            bool changed = false;
            for (size_t i = 0; i < m; ++i) {
                const double du = dist[edges.source[i]];
                if (du == kInf) continue;
                const double d = weight[i] + du;
                if (d < dist[edges.target[i]]) {
                    dist[edges.target[i]] = d;
                    changed = true;
                }
            }
            if (!changed) break;
        }
    }
    for (size_t i = 0; i < m; ++i) {
        const double du = dist[edges.source[i]];
        if (du == kInf) continue;
        if (weight[i] + du < dist[edges.target[i]]) return errors::negative_cycle();
    }
    return true;
}

}  // namespace

Result<std::vector<NodeCost>> bellman_ford_paths(const PropertyGraph& g, uint32_t source,
                                                 std::optional<std::string_view> weight_key) {
    const GraphInner& s = g.store();
    require_live(s, source);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> dist(s.node_slots(), kInf);
    dist[source] = 0.0;

    if (!weight_key) {
        // Every edge weighs 1.0: the passes end with exact hop counts along
        // stored directions and no cycle is negative, so one breadth-first
        // pass over the outgoing lists (stored direction on both kinds)
        // gives the same distances.
        const Rows& out = rows(s, Direction::Out);
        std::vector<uint32_t> queue{source};
        for (size_t head = 0; head < queue.size(); ++head) {
            const uint32_t n = queue[head];
            for (uint32_t i = out.begin(n), end = out.end(n); i < end; ++i) {
                const uint32_t m = out.targets[i];
                if (dist[m] != kInf) continue;
                dist[m] = dist[n] + 1.0;
                queue.push_back(m);
            }
        }
    } else if (Result<bool> relaxed = relax_all(g, dist, *weight_key); !relaxed) {
        return relaxed.failure();
    }

    std::vector<NodeCost> out;
    s.for_each_node([&](uint32_t n, const NodeData& node) {
        const double d = dist[n];
        if (d != kInf && !std::isnan(d)) out.push_back({node.id, d});
    });
    return out;
}


}  // namespace vg
