// Topological order, longest path, reachability sets and transitive closure.
#include "core/algorithms/dag.hpp"

#include <algorithm>

#include "core/graph/adjacency.hpp"
#include "core/algorithms/components.hpp"

namespace vg {

namespace {

const char* const kUndirected = "Topological sort is only defined for directed graphs";

Error cycle_error(const GraphInner& s, uint32_t n) {
    return Error{ErrorKind::Cycle, "Graph has a cycle involving node '" + s.id_of(n) + "'"};
}

}  // namespace

TopoOrder toposort(const GraphInner& s) {
    const size_t n = s.nodes.size();
    std::vector<uint8_t> discovered(n, 0), finished(n, 0);
    std::vector<uint32_t> stack, postorder;
    postorder.reserve(s.node_count);
    const PackedAdjacency& adj = packed_adjacency(s);
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
        s.walk_in(i, [&](uint32_t, uint32_t src) {
            if (!discovered[src]) last = src;
        });
        if (last != END) return {{}, last};
    }
    return out;
}

bool has_cycle(const GraphInner& s) { return toposort(s).cycle_at.has_value(); }

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
    std::vector<uint64_t> dist(s.nodes.size(), 0);
    std::vector<uint32_t> pred(s.nodes.size(), END);
    // The rows the order was found on, kept with the graph.
    const PackedAdjacency& adj = packed_adjacency(s);
    for (uint32_t u : t.order)
        for (uint32_t v : adj.row(u))
            if (dist[v] < dist[u] + 1) {
                dist[v] = dist[u] + 1;
                pred[v] = u;
            }
    uint32_t end = END;
    for (uint32_t v = 0; v < s.nodes.size(); ++v)
        if (s.node_live(v) && (end == END || dist[v] >= dist[end])) end = v;
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
    std::vector<uint8_t> reached(s.nodes.size(), 0);
    std::vector<uint32_t> found, stack{start};
    // The lists are followed while the walk stays small; once it has taken
    // a sixteenth of the edges, the search starts over on packed rows, whose
    // build costs about as much as that many list steps. Rows an earlier
    // call left with the graph are used from the start.
    const bool directed = s.is_directed();
    const Walk walk = !directed ? Walk::Undirected : incoming ? Walk::In : Walk::Out;
    const uint64_t budget = s.edge_count / 16;
    uint64_t steps = 0;
    bool packed = cached_adjacency(s, walk) != nullptr;
    while (!stack.empty() && !packed) {
        uint32_t x = stack.back();
        stack.pop_back();
        auto step = [&](uint32_t, uint32_t w) {
            ++steps;
            if (reached[w]) return;
            reached[w] = 1;
            found.push_back(w);
            stack.push_back(w);
        };
        if (!directed) s.walk_undirected(x, step);
        else if (incoming) s.walk_in(x, step);
        else s.walk_out(x, step);
        packed = steps > budget;
    }
    if (packed) {
        const AdjacencyList& adj = adjacency(s, walk);
        std::fill(reached.begin(), reached.end(), 0);
        found.clear();
        stack.assign(1, start);
        while (!stack.empty()) {
            uint32_t x = stack.back();
            stack.pop_back();
            for (uint32_t w : adj.row(x)) {
                if (reached[w]) continue;
                reached[w] = 1;
                found.push_back(w);
                stack.push_back(w);
            }
        }
    }
    std::vector<std::string_view> out;
    out.reserve(found.size());
    for (uint32_t w : found) out.push_back(s.id_of(w));
    return out;
}

}  // namespace

std::vector<std::string_view> ancestors(const PropertyGraph& g, uint32_t node) {
    return reached_from(g.store(), node, true);
}

std::vector<std::string_view> descendants(const PropertyGraph& g, uint32_t node) {
    return reached_from(g.store(), node, false);
}

namespace {

// Marks, for every pair of nodes joined by several edges, all but the first
// in slot order (the ones a graph without parallel edges refuses). Pairs are
// ordered on the directed kind and unordered on the undirected kind; each
// pair is settled at one endpoint with per-node marks, no pair set.
std::vector<uint8_t> first_edge_per_pair(const GraphInner& s) {
    const size_t n = s.nodes.size();
    std::vector<uint8_t> keep(s.edges.size(), 0);
    std::vector<uint32_t> mark(n, END), lowest(n, END);
    const bool directed = s.is_directed();
    for (uint32_t u = 0; u < n; ++u) {
        if (!s.node_live(u)) continue;
        // Each unordered pair is settled at its lower endpoint.
        auto settled_here = [&](uint32_t t) { return directed || t >= u; };
        s.walk_neighbors(u, [&](uint32_t e, uint32_t t) {
            if (!settled_here(t)) return;
            if (mark[t] != u) {
                mark[t] = u;
                lowest[t] = e;
            } else if (e < lowest[t]) {
                lowest[t] = e;
            }
        });
        s.walk_neighbors(u, [&](uint32_t, uint32_t t) {
            if (!settled_here(t) || lowest[t] == END) return;
            keep[lowest[t]] = 1;
            lowest[t] = END;
        });
    }
    return keep;
}

// The closure edges (input slots), grouped by source in slot order: on the
// directed kind every node reached from u by a search over outgoing edges,
// on the undirected kind every later member of u's component. Pairs the
// input already joins are left out (`joined[w] == u` marks u's neighbours).
std::vector<std::pair<uint32_t, uint32_t>> closure_pairs(const GraphInner& s) {
    const size_t n = s.nodes.size();
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
            s.walk_undirected(u, [&](uint32_t, uint32_t w) { joined[w] = u; });
            for (size_t j = position[u] + 1; j < members.size(); ++j)
                if (joined[members[j]] != u) out.emplace_back(u, members[j]);
        }
        return out;
    }
    // One search per source walks the same edges many times: packed rows
    // spare it the list links.
    const PackedAdjacency& adj = packed_adjacency(s);
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
    const size_t n = s.nodes.size();
    PropertyGraph out(g.directed(), false, g.name());
    std::vector<uint8_t> keep = first_edge_per_pair(s);
    std::vector<std::pair<uint32_t, uint32_t>> added = closure_pairs(s);
    out.reserve(g.node_count(), uint64_t(std::count(keep.begin(), keep.end(), 1)) + added.size());
    std::vector<uint32_t> slot(n, END);  // input slot -> result slot
    for (uint32_t v = 0; v < n; ++v) {
        if (!s.node_live(v)) continue;
        const NodeData& d = *s.nodes[v].data;
        slot[v] = out.add_node(d.id, d.properties).value();
    }
    for (uint32_t e = 0; e < s.edges.size(); ++e) {
        if (!keep[e]) continue;
        const EdgeSlot& es = s.edges[e];
        (void)out.add_edge_between(slot[es.node[0]], slot[es.node[1]], es.data->properties);
    }
    for (const auto& [u, w] : added) (void)out.add_edge_between(slot[u], slot[w], Properties());
    return out;
}

}  // namespace vg
