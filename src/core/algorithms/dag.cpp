// Topological order, longest path, reachability sets and transitive closure.
#include "core/algorithms/dag.hpp"

#include <algorithm>

#include "core/algorithms/components.hpp"
#include "core/graph/adjacency.hpp"
#include "core/graph/pairs.hpp"

namespace vg {

namespace {

const char* const kUndirected = "Topological sort is only defined for directed graphs";

Error cycle_error(const GraphInner& s, uint32_t n) {
    return Error{ErrorKind::Cycle, "Graph has a cycle involving node '" + s.id_of(n) + "'"};
}

}  // namespace

TopoOrder toposort(const GraphInner& s) {
    const size_t n = s.node_slots();
    std::vector<uint8_t> discovered(n, 0), finished(n, 0);
    std::vector<uint32_t> stack, postorder;
    postorder.reserve(s.node_count());
    const Rows& adj = rows(s, Direction::Out);
    // Depth-first pass; a node may stand on the stack more than once and is
    // finished when it surfaces after its targets.
    for (uint32_t r = 0; r < n; ++r) {
        if (!s.node_live(r) || discovered[r]) continue;
        stack.push_back(r);
        while (!stack.empty()) {
            const uint32_t x = stack.back();
            if (!discovered[x]) {
                discovered[x] = 1;
                for (uint32_t t : adj.row(x)) {
                    if (t == x) return {{}, x};
                    if (!discovered[t]) stack.push_back(t);
                }
            } else {
                stack.pop_back();
                if (!finished[x]) {
                    finished[x] = 1;
                    postorder.push_back(x);
                }
            }
        }
    }
    TopoOrder out{std::vector<uint32_t>(postorder.rbegin(), postorder.rend()), std::nullopt};
    // The reversed postorder is a topological order exactly when every edge
    // runs forward in it. One pass over the packed rows settles that; only a
    // graph with a backward edge needs the walk below, which names the node.
    std::vector<uint32_t> position(n, 0);
    for (uint32_t i = 0; i < out.order.size(); ++i) position[out.order[i]] = i;
    bool forward = true;
    for (uint32_t x = 0; x < n && forward; ++x)
        for (uint32_t t : adj.row(x))
            if (position[x] > position[t]) {
                forward = false;
                break;
            }
    if (forward) return out;
    std::fill(discovered.begin(), discovered.end(), 0);
    for (uint32_t i : out.order) {
        discovered[i] = 1;
        uint32_t last = END;
        for_each_neighbor(s, i, Direction::In, [&](uint32_t, uint32_t src) {
            if (!discovered[src]) last = src;
        });
        if (last != END) return {{}, last};
    }
    return out;
}

Result<std::vector<std::string_view>> topological_order(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    if (!s.is_directed()) return Error{ErrorKind::InvalidValue, kUndirected};
    TopoOrder t = toposort(s);
    if (t.cycle_at) return cycle_error(s, *t.cycle_at);
    std::vector<std::string_view> ids;
    ids.reserve(t.order.size());
    for (uint32_t n : t.order) ids.push_back(s.id_of(n));
    return ids;
}

Result<LongestPath> longest_path(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    if (!s.is_directed()) return Error{ErrorKind::InvalidValue, kUndirected};
    TopoOrder t = toposort(s);
    if (t.cycle_at) return cycle_error(s, *t.cycle_at);
    if (t.order.empty()) return LongestPath{0, {}};
    std::vector<uint64_t> dist(s.node_slots(), 0);
    std::vector<uint32_t> pred(s.node_slots(), END);
    // The rows the order was found on, kept with the graph.
    const Rows& adj = rows(s, Direction::Out);
    for (uint32_t u : t.order)
        for (uint32_t v : adj.row(u))
            if (dist[v] < dist[u] + 1) {
                dist[v] = dist[u] + 1;
                pred[v] = u;
            }
    uint32_t end = END;
    s.for_each_node([&](uint32_t v, const NodeData&) {
        if (end == END || dist[v] >= dist[end]) end = v;
    });
    LongestPath out{dist[end], {}};
    for (uint32_t v = end; v != END; v = pred[v]) out.path.push_back(s.id_of(v));
    std::reverse(out.path.begin(), out.path.end());
    return out;
}

namespace {

// Nodes reached from `start` by one or more steps; the start node only when
// a walk comes back to it. `incoming` follows the incoming lists of a
// directed store; an undirected store follows every incident edge.
std::vector<std::string_view> reached_from(const GraphInner& s, uint32_t start, bool incoming) {
    if (!s.node_live(start)) internal_failure("reachability from a vacant node slot");
    NeighborSource next(s, !s.is_directed() ? Direction::Undirected : incoming ? Direction::In : Direction::Out);
    std::vector<uint8_t> reached(s.node_slots(), 0);
    std::vector<uint32_t> found, stack{start};
    while (!stack.empty()) {
        const uint32_t x = stack.back();
        stack.pop_back();
        next.for_each(x, [&](uint32_t, uint32_t w) {
            if (reached[w]) return;
            reached[w] = 1;
            found.push_back(w);
            stack.push_back(w);
        });
    }
    return ids_of(s, found);
}

}  // namespace

std::vector<std::string_view> ancestors(const PropertyGraph& g, uint32_t node) {
    return reached_from(g.store(), node, true);
}

std::vector<std::string_view> descendants(const PropertyGraph& g, uint32_t node) {
    return reached_from(g.store(), node, false);
}

namespace {

// The closure edges (input slots), grouped by source in slot order: on the
// directed kind every node reached from u by a search over outgoing edges,
// on the undirected kind every later member of u's component. Pairs the
// input already joins are left out (`joined[w] == u` marks u's neighbours).
std::vector<std::pair<uint32_t, uint32_t>> closure_pairs(const GraphInner& s) {
    const size_t n = s.node_slots();
    std::vector<std::pair<uint32_t, uint32_t>> out;
    std::vector<uint32_t> joined(n, END);
    if (!s.is_directed()) {
        SlotGroups groups = weak_component_groups(s);
        std::vector<uint32_t> group_of(n, END), position(n, 0);
        for (uint32_t i = 0; i < groups.size(); ++i)
            for (size_t j = 0; j < groups[i].size(); ++j) {
                group_of[groups[i][j]] = i;
                position[groups[i][j]] = uint32_t(j);
            }
        for (uint32_t u = 0; u < n; ++u) {
            if (group_of[u] == END) continue;
            std::span<const uint32_t> members = groups[group_of[u]];
            if (members.size() < 2) continue;
            for_each_neighbor(s, u, Direction::Undirected, [&](uint32_t, uint32_t w) { joined[w] = u; });
            for (size_t j = position[u] + 1; j < members.size(); ++j)
                if (joined[members[j]] != u) out.emplace_back(u, members[j]);
        }
        return out;
    }
    // One search per source walks the same edges many times.
    const Rows& adj = rows(s, Direction::Out);
    std::vector<uint32_t> seen(n, END);
    std::vector<uint32_t> stack;
    for (uint32_t u = 0; u < n; ++u) {
        if (!s.node_live(u)) continue;
        for (uint32_t w : adj.row(u)) joined[w] = u;
        stack.push_back(u);
        while (!stack.empty()) {
            uint32_t v = stack.back();
            stack.pop_back();
            for (uint32_t w : adj.row(v)) {
                if (seen[w] == u) continue;
                seen[w] = u;
                stack.push_back(w);
                if (w != u && joined[w] != u) out.emplace_back(u, w);
            }
        }
    }
    return out;
}

}  // namespace

PropertyGraph transitive_closure(const PropertyGraph& g) {
    const GraphInner& s = g.store();
    PropertyGraph out(g.directed(), false, g.name());
    // The first edge (slot order) of each pair, ordered as the graph's kind
    // orders pairs: the copy has no parallel edges.
    std::vector<uint32_t> kept;
    PairFilter first_of_pair(s.is_directed(), s.edge_count());
    s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        if (first_of_pair.first(x.source, x.target)) kept.push_back(e);
    });
    std::vector<std::pair<uint32_t, uint32_t>> added = closure_pairs(s);
    out.reserve(g.node_count(), kept.size() + added.size());
    std::vector<uint32_t> slot(s.node_slots(), END);  // input slot -> result slot
    s.for_each_node([&](uint32_t v, const NodeData& d) { slot[v] = out.add_node(d.id, d.properties).value(); });
    for (uint32_t e : kept) {
        const EdgeEnds x = s.ends(e);
        (void)out.add_edge_between(slot[x.source], slot[x.target], s.edge(e).properties);
    }
    for (const auto& [u, w] : added) (void)out.add_edge_between(slot[u], slot[w], Properties());
    return out;
}

}  // namespace vg
