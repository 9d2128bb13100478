// The property graph: a stable-index store whose slots keep their numbers
// while live, plus an index from node id to slot.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "hash.hpp"
#include "result.hpp"
#include "value.hpp"

namespace vg {

inline constexpr uint32_t END = 0xFFFFFFFFu;

struct NodeData {
    std::string id;
    Properties properties;
};

struct EdgeData {
    Properties properties;
};

// Live: next = (first outgoing edge, first incoming edge).
// Vacant: next = (next vacant slot, previous vacant slot).
struct NodeSlot {
    std::optional<NodeData> weight;
    uint32_t next[2] = {END, END};
};

// Live: next = (next edge in the source's outgoing list, next edge in the
// target's incoming list), node = (source, target). Vacant: next[0] is the
// next vacant slot, everything else END.
struct EdgeSlot {
    std::optional<EdgeData> weight;
    uint32_t next[2] = {END, END};
    uint32_t node[2] = {END, END};
};

enum class GraphKind : uint8_t { Directed, Undirected };

struct GraphInner {
    GraphKind kind = GraphKind::Directed;
    std::vector<NodeSlot> nodes;
    std::vector<EdgeSlot> edges;
    uint64_t node_count = 0;
    uint64_t edge_count = 0;
    uint32_t free_node = END;
    uint32_t free_edge = END;

    bool is_directed() const { return kind == GraphKind::Directed; }
    bool node_live(uint32_t n) const { return n < nodes.size() && nodes[n].weight.has_value(); }
    bool edge_live(uint32_t e) const { return e < edges.size() && edges[e].weight.has_value(); }
    // Id of a live node; a vacant slot here is a broken invariant.
    const std::string& id_of(uint32_t n) const;

    // Outgoing walk: f(edge, target) newest edge first.
    template <class F>
    void walk_out(uint32_t n, F&& f) const {
        for (uint32_t e = nodes[n].next[0]; e != END; e = edges[e].next[0]) f(e, edges[e].node[1]);
    }
    // Incoming walk: f(edge, source) newest edge first.
    template <class F>
    void walk_in(uint32_t n, F&& f) const {
        for (uint32_t e = nodes[n].next[1]; e != END; e = edges[e].next[1]) f(e, edges[e].node[0]);
    }
    // Every incident edge once: the outgoing walk, then the incoming walk
    // without self-loops. f(edge, other end).
    template <class F>
    void walk_undirected(uint32_t n, F&& f) const {
        walk_out(n, f);
        for (uint32_t e = nodes[n].next[1]; e != END; e = edges[e].next[1])
            if (edges[e].node[0] != n) f(e, edges[e].node[0]);
    }
    // The walk that gives a node's neighbours for traversals: outgoing on
    // the directed kind, all incident edges on the undirected kind.
    template <class F>
    void walk_neighbors(uint32_t n, F&& f) const {
        if (is_directed()) walk_out(n, f);
        else walk_undirected(n, f);
    }

    std::optional<uint32_t> find_edge(uint32_t a, uint32_t b) const;
    std::optional<EdgeData> remove_edge(uint32_t e);
    std::optional<NodeData> remove_node(uint32_t n);

    // Allocation of a new slot; an error once 32-bit slot numbers run out.
    Result<uint32_t> insert_node(NodeData data);
    Result<uint32_t> insert_edge(uint32_t source, uint32_t target, EdgeData data);
};

using IdIndex = std::unordered_map<std::string, uint32_t, KeyedHash, std::equal_to<>>;

class PropertyGraph {
public:
    GraphInner inner;
    std::string name;
    IdIndex id_index;
    bool directed = true;
    bool multi = false;

    PropertyGraph(bool directed, bool multi, std::string name);
    PropertyGraph() : PropertyGraph(true, false, std::string()) {}

    Result<uint32_t> node_index(std::string_view id) const;
    std::optional<uint32_t> find_node(std::string_view id) const;
    const NodeData* get_node(std::string_view id) const;
    Result<uint64_t> degree(std::string_view id) const;
    bool has_edge(std::string_view source, std::string_view target) const;
    std::vector<std::string_view> node_ids() const;
    struct EdgeView {
        std::string_view source;
        std::string_view target;
        const EdgeData* data;
    };
    std::vector<EdgeView> edges() const;

    Result<uint32_t> add_node(std::string_view id, Properties properties);
    Result<uint32_t> add_edge(std::string_view source, std::string_view target, Properties properties);
    Result<PropertyGraph> subgraph(const std::vector<std::string_view>& ids) const;
    bool is_connected() const;
    // Whether the directed store has a cycle (self-loops included).
    bool has_directed_cycle() const;

    uint64_t node_count() const { return inner.node_count; }
    uint64_t edge_count() const { return inner.edge_count; }
};

// Ids of live nodes whose property `key` equals `value`, slot order.
std::vector<std::string> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value);
// (source id, target id, data) of live edges whose property matches, slot order.
std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value);

}  // namespace vg
