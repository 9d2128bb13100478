// The property graph: the slot store (graph/store.hpp) plus the index
// from node id to slot (graph/id_index.hpp).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/id_index.hpp"
#include "core/graph/store.hpp"
#include "core/result.hpp"
#include "core/value.hpp"

namespace vg {

// The graph value: the store plus the index from node id to slot. Both are
// private so that every change goes through an operation that keeps them in
// agreement (the index holds exactly the live ids). Failures come back as
// the fixed errors of errors.hpp and leave the graph unchanged.
class PropertyGraph {
public:
    PropertyGraph(bool directed, bool multi, std::string name);
    PropertyGraph() : PropertyGraph(true, false, std::string()) {}

    // ---- reading -------------------------------------------------------
    const GraphInner& store() const { return inner_; }
    bool directed() const { return inner_.is_directed(); }
    bool multi() const { return multi_; }
    const std::string& name() const { return name_; }
    uint64_t node_count() const { return inner_.node_count(); }
    uint64_t edge_count() const { return inner_.edge_count(); }

    std::optional<uint32_t> find_node(std::string_view id) const;
    // Both ends of an edge at once (their memory reads overlap).
    std::pair<std::optional<uint32_t>, std::optional<uint32_t>> find_node_pair(std::string_view a,
                                                                              std::string_view b) const {
        return id_index_.find_pair(a, b, inner_);
    }
    // Lookups and additions in batches (bulk readers): the hash of an id
    // worked out once, hints that start loading what a lookup of that hash
    // reads (the index slot, then the node records), and the operations
    // with the hash given.
    uint32_t id_hash(std::string_view id) const { return id_index_.hash(id); }
    [[gnu::always_inline]] void prefetch_id(uint32_t h) const { id_index_.prefetch(h); }
    [[gnu::always_inline]] void prefetch_id_record(uint32_t h) const { id_index_.prefetch_records(h, inner_); }
    std::optional<uint32_t> find_node(std::string_view id, uint32_t h) const { return id_index_.find(id, h, inner_); }
    Result<uint32_t> add_node(std::string_view id, uint32_t h, Properties properties);
    const IdIndex& id_index() const { return id_index_; }
    // The slot of an id, or "Node '{}' not found".
    Result<uint32_t> node_index(std::string_view id) const;
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
    // Weak connectivity (graph/predicates.hpp).
    bool is_connected() const;

    // ---- building and changing -------------------------------------------
    // Each returns the new or changed slot, or the fixed error.
    Result<uint32_t> add_node(std::string_view id, Properties properties);
    // For an id that find_node(id, hash) has just found absent.
    Result<uint32_t> add_absent_node(std::string_view id, uint32_t hash, Properties properties);
    Result<uint32_t> add_edge(std::string_view source, std::string_view target, Properties properties);
    // An edge between two live slots whose pair the caller has already
    // checked against the parallel-edge rule (bulk loaders keep their own
    // index of pairs); fails only when slot numbers run out.
    Result<uint32_t> add_edge_between(uint32_t source, uint32_t target, Properties properties);
    // add_edge for two live slots, under the same parallel-edge rule and
    // errors, for copies that know their slots: looking the ids up again
    // would read a long id once per edge it has.
    Result<uint32_t> add_edge_at(uint32_t source, uint32_t target, Properties properties);
    // Removes a node with its incident edges and returns its record.
    Result<NodeData> remove_node(std::string_view id);
    // Removes the edge find_edge gives for the pair and returns its record.
    Result<EdgeData> remove_edge(std::string_view source, std::string_view target);
    // Merges `properties` into a node's own (new values win).
    Result<uint32_t> update_node(std::string_view id, const Properties& properties);
    Result<uint32_t> set_node_property(std::string_view id, std::string key, Value value);
    // Room for this many nodes and edges in total.
    void reserve(uint64_t nodes, uint64_t edges);
    // The kind and parallel-edge rule may change only while no edge exists
    // (for readers that meet the flags after the nodes).
    void set_flags(bool directed, bool multi);
    void set_name(std::string name) { name_ = std::move(name); }

    // The graph of `ids` (in that order) and the edges among them; an error
    // names the first id that is not a node.
    Result<PropertyGraph> subgraph(const std::vector<std::string_view>& ids) const;

private:
    // The live node record of an id for an update, or the updaters' errors.
    Result<NodeData*> node_for_update(std::string_view id);

    GraphInner inner_;
    IdIndex id_index_;
    std::string name_;
    bool multi_ = false;
};

// The property filters. Their ids are views into the graph's records,
// valid until it next changes.
// Ids of live nodes whose property `key` equals `value`, slot order.
std::vector<std::string_view> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value);
// (source id, target id, data) of live edges whose property matches, slot order.
std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value);

}  // namespace vg
