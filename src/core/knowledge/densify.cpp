// Transitive densification along one predicate.
//
// Reachability is found with one breadth-first search per source of a
// predicate edge, so the work is linear in what each source reaches rather
// than a cubic fixpoint over hash sets; the pairs found are the same.
#include "core/knowledge/common.hpp"
#include "core/knowledge/knowledge.hpp"

namespace vg {

namespace {

// Copy of the live nodes and edges in slot order (dense slots); `to_copy`
// maps each slot of `g` to its slot in the copy.
PropertyGraph dense_copy(const PropertyGraph& g, std::vector<uint32_t>& to_copy) {
    const GraphInner& s = g.store();
    PropertyGraph out(g.directed(), g.multi(), g.name());
    out.reserve(s.node_count, s.edge_count);
    to_copy.assign(s.nodes.size(), END);
    for (uint32_t n = 0; n < s.nodes.size(); ++n)
        if (s.nodes[n].data) to_copy[n] = kn::add_fresh_node(out, s.nodes[n].data->id, s.nodes[n].data->properties);
    // The input's own edges are copied as they are, parallels included: the
    // copy has the input's multi flag, so no pair check is needed.
    for (const EdgeSlot& e : s.edges)
        if (e.data) kn::add_unjoined_edge(out, to_copy[e.node[0]], to_copy[e.node[1]], e.data->properties);
    return out;
}

// Predicate edges of the input in compressed adjacency form, stored
// orientation only; parallel edges stay (the searches skip seen nodes).
struct PredicateAdjacency {
    std::vector<uint32_t> sources;  // in order of their first predicate edge
    std::vector<uint32_t> start;    // per slot, into `targets`
    std::vector<uint32_t> targets;  // per source in edge slot order
};

PredicateAdjacency predicate_adjacency(const PropertyGraph& g, std::string_view predicate) {
    const GraphInner& s = g.store();
    PredicateAdjacency adj;
    std::vector<uint32_t> count(s.nodes.size() + 1, 0);
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (const EdgeSlot& e : s.edges) {
        if (!e.data || kn::edge_label(e.data->properties, "") != predicate) continue;
        if (count[e.node[0]]++ == 0) adj.sources.push_back(e.node[0]);
        pairs.emplace_back(e.node[0], e.node[1]);
    }
    adj.start.assign(s.nodes.size() + 1, 0);
    for (size_t n = 0; n < s.nodes.size(); ++n) adj.start[n + 1] = adj.start[n] + count[n];
    adj.targets.resize(pairs.size());
    std::vector<uint32_t> fill(adj.start.begin(), adj.start.end() - 1);
    for (auto [a, b] : pairs) adj.targets[fill[a]++] = b;
    return adj;
}

}  // namespace

PropertyGraph transitive_densify(const PropertyGraph& g, std::string_view predicate) {
    std::vector<uint32_t> to_work;
    PropertyGraph work = dense_copy(g, to_work);
    PredicateAdjacency adj = predicate_adjacency(g, predicate);
    if (adj.sources.empty()) return work;

    // Stamps instead of cleared sets: node n is reached from the current
    // source when reached[n] == stamp, and joined to it in the work graph
    // when joined[work slot] == stamp.
    std::vector<uint32_t> reached(g.store().nodes.size(), 0);
    std::vector<uint32_t> joined(work.store().nodes.size(), 0);
    std::vector<uint32_t> reach;
    uint32_t stamp = 0;
    const bool directed = work.store().is_directed();
    // Every added edge carries the same map: copied, not built each time.
    const Properties added = kn::predicate_properties(predicate);
    for (uint32_t a : adj.sources) {
        ++stamp;
        // Everything reachable from a by one or more predicate edges, in
        // breadth-first order; a itself only when it lies on a cycle.
        reach.clear();
        auto visit = [&](uint32_t n) {
            for (uint32_t i = adj.start[n]; i < adj.start[n + 1]; ++i) {
                uint32_t t = adj.targets[i];
                if (reached[t] != stamp) {
                    reached[t] = stamp;
                    reach.push_back(t);
                }
            }
        };
        visit(a);
        for (size_t i = 0; i < reach.size(); ++i) visit(reach[i]);

        // Pairs the work graph already joins: any edge a -> c, or on the
        // undirected kind an edge between them either way, edges added for
        // earlier sources included.
        uint32_t wa = to_work[a];
        auto mark = [&](uint32_t, uint32_t other) { joined[other] = stamp; };
        if (directed) work.store().walk_out(wa, mark);
        else work.store().walk_undirected(wa, mark);
        for (uint32_t c : reach) {
            uint32_t wc = to_work[c];
            if (joined[wc] == stamp) continue;
            kn::add_unjoined_edge(work, wa, wc, Properties(added));
        }
    }
    return work;
}

}  // namespace vg
