// Degree queries: hubs, orphans and the degree histogram.
#include "core/knowledge/common.hpp"
#include "core/knowledge/degree.hpp"

namespace vg {

std::vector<uint64_t> slot_degrees(const PropertyGraph& g) {
    // One pass over the edge slots gives what walking both adjacency lists
    // of every node gives: on the directed kind a self-loop counts twice,
    // on the undirected kind once.
    const GraphInner& s = g.store();
    std::vector<uint64_t> deg(s.node_slots(), 0);
    const bool directed = s.is_directed();
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        ++deg[x.source];
        if (directed || x.source != x.target) ++deg[x.target];
    });
    return deg;
}

namespace {
template <class Keep>
std::vector<std::string_view> nodes_where(const PropertyGraph& g, Keep keep) {
    const GraphInner& s = g.store();
    std::vector<uint64_t> deg = slot_degrees(g);
    std::vector<std::string_view> out;
    s.for_each_node([&](uint32_t n, const NodeData& d) {
        if (keep(deg[n])) out.push_back(d.id);
    });
    return out;
}
}  // namespace

std::vector<std::string_view> hub_nodes(const PropertyGraph& g, uint64_t threshold) {
    return nodes_where(g, [&](uint64_t d) { return d > threshold; });
}

std::vector<std::string_view> orphan_nodes(const PropertyGraph& g) {
    return nodes_where(g, [](uint64_t d) { return d == 0; });
}

std::vector<std::pair<uint64_t, uint64_t>> degree_histogram(const PropertyGraph& g) {
    // Entries in the order their degree first occurs in slot order, not in
    // hash order, so the result is the same in every run.
    const GraphInner& s = g.store();
    std::vector<uint64_t> deg = slot_degrees(g);
    std::vector<std::pair<uint64_t, uint64_t>> out;
    kn::U64Map entry;  // degree -> position in `out`
    s.for_each_node([&](uint32_t n, const NodeData&) {
        // Degrees never reach 2^64 - 1, the table's empty key.
        auto [pos, fresh] = entry.emplace(deg[n], uint32_t(out.size()));
        if (fresh) out.emplace_back(deg[n], 0);
        ++out[*pos].second;
    });
    return out;
}

}  // namespace vg
