// Weighted path searches: Dijkstra, A* with a zero estimate, Bellman-Ford.
#include <limits>

#include "../errors.hpp"
#include "algorithms.hpp"
#include "cost_queue.hpp"

namespace vg {

double edge_weight(const Properties& properties, std::string_view key) {
    // Small maps are scanned without hashing, so no per-edge hash is paid
    // for the usual one or two properties.
    const Value* v = properties.find(key);
    if (!v) return 1.0;
    if (const Number* n = v->as_number()) return n->as_f64();
    return 1.0;
}

namespace {

struct WeightOf {
    const GraphInner& s;
    std::optional<std::string_view> key;
    double operator()(uint32_t edge) const {
        return key ? edge_weight(s.edges[edge].data->properties, *key) : 1.0;
    }
};

enum : uint8_t { kUnreached = 0, kReached = 1, kSettled = 2 };

struct DijkstraRun {
    std::vector<double> cost;     // by node slot, valid once reached
    std::vector<uint8_t> state;   // kUnreached / kReached / kSettled
    std::vector<uint32_t> reached;  // in the order first reached
};

DijkstraRun dijkstra(const GraphInner& s, uint32_t source, std::optional<uint32_t> target,
                     std::optional<std::string_view> key) {
    require_live(s, source);
    if (target) require_live(s, *target);
    WeightOf weight{s, key};
    DijkstraRun run;
    run.cost.resize(s.nodes.size());
    run.state.assign(s.nodes.size(), kUnreached);
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
        s.walk_neighbors(n, [&](uint32_t edge, uint32_t m) {
            if (run.state[m] == kSettled) return;
            double d = c + weight(edge);
            if (run.state[m] == kReached) {
                if (!(d < run.cost[m])) return;
            } else {
                run.state[m] = kReached;
                run.reached.push_back(m);
            }
            run.cost[m] = d;
            queue.push(d, m);
        });
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

}  // namespace

std::vector<NodeCost> dijkstra_distances(const PropertyGraph& g, uint32_t source, std::optional<uint32_t> target,
                                         std::optional<std::string_view> weight_key) {
    DijkstraRun run = dijkstra(g.store(), source, target, weight_key);
    std::vector<NodeCost> out;
    out.reserve(run.reached.size());
    for (uint32_t n : run.reached) out.push_back({id_view(g.store(), n), run.cost[n]});
    return out;
}

std::optional<double> shortest_path_length(const PropertyGraph& g, uint32_t source, uint32_t target,
                                           std::optional<std::string_view> weight_key) {
    DijkstraRun run = dijkstra(g.store(), source, target, weight_key);
    if (run.state[target] == kUnreached) return std::nullopt;
    return run.cost[target];
}

Result<std::optional<WeightedPath>> astar_path(const PropertyGraph& g, uint32_t source, uint32_t target,
                                               std::optional<std::string_view> weight_key) {
    const GraphInner& s = g.store();
    require_live(s, source);
    require_live(s, target);
    WeightOf weight{s, weight_key};
    std::vector<double> best(s.nodes.size());
    std::vector<uint32_t> pred(s.nodes.size(), END);
    std::vector<uint8_t> reached(s.nodes.size(), 0);
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
        s.walk_neighbors(n, [&](uint32_t edge, uint32_t m) {
            const double w = weight(edge);
            if (w < 0) negative_seen = true;
            const double gm = gn + w;
            if (reached[m]) {
                if (!(gm < best[m])) return;
                if (negative_seen) ++lowerings;
            } else {
                reached[m] = 1;
                reached_list.push_back(m);
            }
            best[m] = gm;
            pred[m] = n;
            queue.push(gm, m);
        });
        if (negative_seen && lowerings >= reached_list.size()) {
            lowerings = 0;
            if (!cycle_check) cycle_check.emplace(s.nodes.size());
            if (cycle_check->has_cycle(pred, reached_list)) return errors::negative_cycle();
        }
    }
    if (!found) return std::optional<WeightedPath>();

    // A simple path has at most node_count nodes; a longer chain loops.
    std::vector<uint32_t> chain{target};
    while (pred[chain.back()] != END) {
        if (chain.size() >= s.node_count) return errors::negative_cycle();
        chain.push_back(pred[chain.back()]);
    }
    WeightedPath out;
    out.cost = best[target];
    out.path.reserve(chain.size());
    for (size_t i = chain.size(); i-- > 0;) out.path.push_back(id_view(s, chain[i]));
    return std::optional<WeightedPath>(std::move(out));
}

Result<std::vector<NodeCost>> bellman_ford_paths(const PropertyGraph& g, uint32_t source,
                                                 std::optional<std::string_view> weight_key) {
    const GraphInner& s = g.store();
    require_live(s, source);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> dist(s.nodes.size(), kInf);
    dist[source] = 0.0;

    // Passes revisit every edge; each edge's weight is looked up once, when
    // its source first has a finite distance. NaN marks "not looked up".
    std::vector<double> cached;
    if (weight_key) cached.assign(s.edges.size(), std::numeric_limits<double>::quiet_NaN());
    auto weight = [&](uint32_t e) {
        if (!weight_key) return 1.0;
        double& w = cached[e];
        if (std::isnan(w)) w = edge_weight(s.edges[e].data->properties, *weight_key);
        return w;
    };
    const uint32_t edge_slots = uint32_t(s.edges.size());

    // From an unreached source (+inf) no finite weight lowers anything, so
    // such edges are skipped without their weight.
    const uint64_t n_live = s.node_count;
    if (n_live >= 2) {
        for (uint64_t pass = 1; pass <= n_live - 1; ++pass) {
            bool changed = false;
            for (uint32_t e = 0; e < edge_slots; ++e) {
                const EdgeSlot& slot = s.edges[e];
                if (!slot.data) continue;
                const double du = dist[slot.node[0]];
                if (du == kInf) continue;
                const double d = weight(e) + du;
                if (d < dist[slot.node[1]]) {
                    dist[slot.node[1]] = d;
                    changed = true;
                }
            }
            if (!changed) break;
        }
    }
    for (uint32_t e = 0; e < edge_slots; ++e) {
        const EdgeSlot& slot = s.edges[e];
        if (!slot.data) continue;
        const double du = dist[slot.node[0]];
        if (du == kInf) continue;
        if (weight(e) + du < dist[slot.node[1]]) return errors::negative_cycle();
    }

    std::vector<NodeCost> out;
    for (uint32_t n = 0; n < s.nodes.size(); ++n) {
        if (!s.nodes[n].data) continue;
        const double d = dist[n];
        if (d == kInf || std::isnan(d)) continue;
        out.push_back({id_view(s, n), d});
    }
    return out;
}

}  // namespace vg
