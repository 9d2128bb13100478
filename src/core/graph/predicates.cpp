#include "core/graph/predicates.hpp"

#include "core/graph/adjacency.hpp"
#include "core/support/hash.hpp"
#include "core/support/union_find.hpp"

namespace vg {

bool weakly_connected(const GraphInner& s) {
    if (s.node_count() < 2) return true;
    UnionFind uf(s.node_slots());
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) { uf.unite(x.source, x.target); });
    bool first = true, connected = true;
    uint32_t root = END;
    s.for_each_node([&](uint32_t n, const NodeData&) {
        const uint32_t r = uf.find(n);
        if (first) root = r;
        else if (r != root) connected = false;
        first = false;
    });
    return connected;
}

bool has_directed_cycle(const GraphInner& s) {
    // Kahn's peeling: nodes whose incoming edges all come from peeled nodes
    // are peeled in turn; a cycle (a self-loop included) is what never
    // peels.
    std::vector<uint32_t> in(s.node_slots(), 0), ready;
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) { ++in[x.target]; });
    s.for_each_node([&](uint32_t n, const NodeData&) {
        if (in[n] == 0) ready.push_back(n);
    });
    const Rows& out = rows(s, Direction::Out);
    uint64_t peeled = 0;
    while (!ready.empty()) {
        const uint32_t n = ready.back();
        ready.pop_back();
        ++peeled;
        for (uint32_t t : out.row(n))
            if (--in[t] == 0) ready.push_back(t);
    }
    return peeled != s.node_count();
}

bool is_tree(const GraphInner& s) {
    const uint64_t n = s.node_count(), m = s.edge_count();
    if (n == 0) return true;
    if (m != n - 1 || !weakly_connected(s)) return false;
    if (!s.is_directed()) return true;
    if (has_directed_cycle(s)) return false;
    bool single_parent = true;
    s.for_each_node([&](uint32_t v, const NodeData&) {
        if (single_parent && walk_length(s, v, Direction::In) > 1) single_parent = false;
    });
    return single_parent;
}

std::vector<uint32_t> neighbor_slots(const GraphInner& s, uint32_t n, NeighborKind kind) {
    std::vector<uint32_t> out;
    auto push = [&](uint32_t, uint32_t other) { out.push_back(other); };
    if (!s.is_directed()) {
        for_each_neighbor(s, n, Direction::Undirected, push);
    } else if (kind != NeighborKind::All) {
        for_each_neighbor(s, n, kind == NeighborKind::Successors ? Direction::Out : Direction::In, push);
    } else {
        // Ids are unique, so "id already listed" is "slot already listed";
        // a set keeps hubs from going quadratic.
        U64Set listed;
        for_each_neighbor(s, n, Direction::Out, [&](uint32_t, uint32_t t) {
            out.push_back(t);
            listed.insert(t);
        });
        for_each_neighbor(s, n, Direction::In, [&](uint32_t, uint32_t src) {
            if (listed.insert(src)) out.push_back(src);
        });
    }
    return out;
}

}  // namespace vg
