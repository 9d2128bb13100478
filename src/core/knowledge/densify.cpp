// Transitive densification along one predicate.
//
// Reachability is found with one breadth-first search per source of a
// predicate edge, so the work is linear in what each source reaches rather
// than a cubic fixpoint over hash sets; the pairs found are the same.
#include "core/graph/adjacency.hpp"
#include "core/knowledge/common.hpp"
#include "core/knowledge/densify.hpp"
#include "core/support/text_numbers.hpp"

namespace vg {

namespace {

// Copy of the live nodes and edges in slot order (dense slots); `to_copy`
// maps each slot of `g` to its slot in the copy.
PropertyGraph dense_copy(const PropertyGraph& g, std::vector<uint32_t>& to_copy) {
    const GraphInner& s = g.store();
    PropertyGraph out(g.directed(), g.multi(), g.name());
    out.reserve(s.node_count(), s.edge_count());
    to_copy.assign(s.node_slots(), END);
    s.for_each_node([&](uint32_t n, const NodeData& d) { to_copy[n] = kn::add_fresh_node(out, d.id, d.properties); });
    // The input's own edges are copied as they are, parallels included: the
    // copy has the input's multi flag, so no pair check is needed.
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        kn::add_unjoined_edge(out, to_copy[x.source], to_copy[x.target], d.properties);
    });
    return out;
}

// The sources of predicate edges in order of their first such edge.
std::vector<uint32_t> sources_in_edge_order(const GraphInner& s, const Rows& adj) {
    std::vector<uint32_t> sources;
    s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        if (adj.degree(x.source) != 0 && adj.edges[adj.begin(x.source)] == e) sources.push_back(x.source);
    });
    return sources;
}

}  // namespace

PropertyGraph transitive_densify(const PropertyGraph& g, std::string_view predicate) {
    std::vector<uint32_t> to_work;
    PropertyGraph work = dense_copy(g, to_work);
    // The predicate edges, stored orientation only, each source's targets
    // in edge slot order; parallel edges stay (the searches skip seen nodes).
    const GraphInner& s = g.store();
    // A long label shared by many edges is compared once, not per edge.
    TextMatch is_predicate(predicate);
    const FilteredRows predicate_edges = filtered_rows(
        s, Direction::Out, [&](uint32_t e) { return is_predicate(edge_label(s.edge(e).properties, "")); });
    const Rows adj = predicate_edges.view();
    const std::vector<uint32_t> sources = sources_in_edge_order(s, adj);
    if (sources.empty()) return work;

    // Stamps instead of cleared sets: node n is reached from the current
    // source when reached[n] == stamp, and joined to it in the work graph
    // when joined[work slot] == stamp.
    std::vector<uint32_t> reached(g.store().node_slots(), 0);
    std::vector<uint32_t> joined(work.store().node_slots(), 0);
    std::vector<uint32_t> reach;
    uint32_t stamp = 0;
    const bool directed = work.store().is_directed();
    // Every added edge carries the same map: copied, not built each time.
    const Properties added = kn::predicate_properties(predicate);
    for (uint32_t a : sources) {
        ++stamp;
        // Everything reachable from a by one or more predicate edges, in
        // breadth-first order; a itself only when it lies on a cycle.
        reach.clear();
        auto visit = [&](uint32_t n) {
            for (uint32_t t : adj.row(n)) {
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
        for_each_neighbor(work.store(), wa, directed ? Direction::Out : Direction::Undirected,
                          [&](uint32_t, uint32_t other) { joined[other] = stamp; });
        for (uint32_t c : reach) {
            uint32_t wc = to_work[c];
            if (joined[wc] == stamp) continue;
            kn::add_unjoined_edge(work, wa, wc, Properties(added));
        }
    }
    return work;
}

}  // namespace vg
