// The property graph: a stable-index store whose slots keep their numbers
// while live, plus an index from node id to slot.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/graph/derived_cache.hpp"
#include "core/support/hash.hpp"
#include "core/result.hpp"
#include "core/value.hpp"

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
    std::optional<NodeData> data;
    uint32_t next[2] = {END, END};
};

// The record of an edge slot, used like std::optional<EdgeData>. It keeps
// no flag of its own: a slot is live while its source is not END (insert
// sets the endpoints before the record; removal takes the record, then
// clears them), so an edge costs its links, endpoints and one pointer.
// It exists only inside its slot: only the slot may copy or move it.
class EdgeRecord {
public:
    EdgeRecord() = default;
    bool has_value() const;
    explicit operator bool() const { return has_value(); }
    const EdgeData& operator*() const { return value_; }
    EdgeData& operator*() { return value_; }
    const EdgeData* operator->() const { return &value_; }
    EdgeData* operator->() { return &value_; }
    const EdgeData& value() const {
        if (!has_value()) internal_failure("edge record of a vacant slot");
        return value_;
    }
    EdgeData& emplace(EdgeData data) {
        value_ = std::move(data);
        return value_;
    }
    void reset() { value_ = EdgeData{}; }
    // Takes the record out, as moving from an optional would.
    operator std::optional<EdgeData>() && {
        if (!has_value()) return std::nullopt;
        return std::optional<EdgeData>(std::move(value_));
    }
    operator std::optional<EdgeData>() const& {
        if (!has_value()) return std::nullopt;
        return value_;
    }

private:
    friend struct EdgeSlot;
    EdgeRecord(const EdgeRecord&) = default;
    EdgeRecord(EdgeRecord&&) noexcept = default;
    EdgeRecord& operator=(const EdgeRecord&) = default;
    EdgeRecord& operator=(EdgeRecord&&) noexcept = default;

    EdgeData value_;
};

// Live: next = (next edge in the source's outgoing list, next edge in the
// target's incoming list), node = (source, target). Vacant: next[0] is the
// next vacant slot, everything else END.
struct EdgeSlot {
    EdgeRecord data;  // first member: the record finds its slot's endpoints
    uint32_t next[2] = {END, END};
    uint32_t node[2] = {END, END};
};
static_assert(std::is_standard_layout_v<EdgeSlot>, "EdgeRecord reads its slot through its own address");

inline bool EdgeRecord::has_value() const { return reinterpret_cast<const EdgeSlot*>(this)->node[0] != END; }

enum class GraphKind : uint8_t { Directed, Undirected };

struct GraphInner {
    GraphKind kind = GraphKind::Directed;
    std::vector<NodeSlot> nodes;
    std::vector<EdgeSlot> edges;
    uint64_t node_count = 0;
    uint64_t edge_count = 0;
    uint32_t free_node = END;
    uint32_t free_edge = END;
    // Structures derived from the store (algorithms/adjacency.hpp), kept
    // until the next change; and the count of changes so far, which they
    // record to prove they match the store. Every change calls changed().
    DerivedCache derived;
    uint64_t generation = 0;
    void changed() {
        ++generation;
        derived.clear();
    }

    bool is_directed() const { return kind == GraphKind::Directed; }
    bool node_live(uint32_t n) const { return n < nodes.size() && nodes[n].data.has_value(); }
    bool edge_live(uint32_t e) const { return e < edges.size() && edges[e].data.has_value(); }
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

// Key of a pair of node slots: ordered (source, target), or unordered (the
// same key either way round). All ones never occurs for live slots.
inline uint64_t slot_pair_key(uint32_t a, uint32_t b, bool ordered) {
    if (!ordered && a > b) std::swap(a, b);
    return (uint64_t(a) << 32) | b;
}

// The one-edge-per-unordered-pair rule of the undirected copies: first()
// holds for the first edge asked about that joins its two slots, either
// way round. Ids are unique, so a pair of slots stands for a pair of ids.
class UnorderedPairFilter {
public:
    explicit UnorderedPairFilter(uint64_t expected_edges = 0) { seen_.reserve(size_t(expected_edges)); }
    bool first(const EdgeSlot& e) { return seen_.insert(slot_pair_key(e.node[0], e.node[1], false)); }

private:
    U64Set seen_;
};

// Node id to slot. Entries keep the slot and 32 bits of the id's keyed
// hash; the id itself is read from the slot's record, so it is stored once
// and most probes compare no text.
class IdIndex {
public:
    uint32_t hash(std::string_view id) const { return uint32_t(table_.traits().key(id)); }
    std::optional<uint32_t> find(std::string_view id, uint32_t h, const GraphInner& g) const {
        const Entry* e = table_.find(h, [&](const Entry& e) {
            if (e.hash != h) return false;
            const std::optional<NodeData>& d = g.nodes[e.slot].data;
            return d && d->id == id;  // entries only name live slots; a vacant one never matches
        });
        if (!e) return std::nullopt;
        return e->slot;
    }
    // Both ends of an edge: the table and record reads of the two lookups
    // overlap instead of waiting on each other.
    std::pair<std::optional<uint32_t>, std::optional<uint32_t>> find_pair(std::string_view a, std::string_view b,
                                                                           const GraphInner& g) const {
        const uint32_t ha = hash(a), hb = hash(b);
        table_.prefetch(ha);
        table_.prefetch(hb);
        const Entry* ca = table_.find(ha, [&](const Entry& e) { return e.hash == ha; });
        const Entry* cb = table_.find(hb, [&](const Entry& e) { return e.hash == hb; });
        if (ca) __builtin_prefetch(&g.nodes[ca->slot]);
        if (cb) __builtin_prefetch(&g.nodes[cb->slot]);
        return {find(a, ha, g), find(b, hb, g)};
    }
    // Hints for a lookup of hash h to come, in the order its reads happen:
    // the first table slot; the node records of the entries with hash h
    // (the table slots must have arrived to be of use); their ids.
    void prefetch(uint32_t h) const { table_.prefetch(h); }
    void prefetch_records(uint32_t h, const GraphInner& g) const {
        table_.find(h, [&](const Entry& e) {
            if (e.hash == h) vg::prefetch_read(&g.nodes[e.slot]);
            return false;
        });
    }
    void prefetch_ids(uint32_t h, const GraphInner& g) const {
        table_.find(h, [&](const Entry& e) {
            if (e.hash == h && g.nodes[e.slot].data) vg::prefetch_read(g.nodes[e.slot].data->id.data());
            return false;
        });
    }
    // Room for one more entry, so that a following add cannot fail.
    void reserve_one() { table_.reserve(table_.size() + 1); }
    void reserve(size_t n) { table_.reserve(n); }
    // For an id known to be absent.
    void add(uint32_t h, uint32_t slot) {
        table_.insert(h, {h, slot}, [](const Entry&) { return false; });
    }
    void erase(uint32_t h, uint32_t slot) {
        Entry* e = table_.find(h, [&](const Entry& e) { return e.slot == slot; });
        if (!e) internal_failure("node id missing from the id index");
        table_.erase(e);
    }

private:
    struct Entry {
        uint32_t hash;
        uint32_t slot;  // END when free
    };
    struct Traits {
        using Entry = IdIndex::Entry;
        static Entry empty() { return {0, END}; }
        static bool is_empty(const Entry& e) { return e.slot == END; }
        uint64_t hash(const Entry& e) const { return e.hash; }
        KeyedHash key;
    };
    FlatTable<Traits> table_;
};

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
    uint64_t node_count() const { return inner_.node_count; }
    uint64_t edge_count() const { return inner_.edge_count; }

    std::optional<uint32_t> find_node(std::string_view id) const;
    // Both ends of an edge at once (their memory reads overlap).
    std::pair<std::optional<uint32_t>, std::optional<uint32_t>> find_node_pair(std::string_view a,
                                                                              std::string_view b) const {
        return id_index_.find_pair(a, b, inner_);
    }
    // Lookups and additions with the id index's hash of the id worked out
    // once by the caller (a bulk loader hashes each id once and prefetches
    // the reads of a batch before it looks; see IdIndex).
    uint32_t id_hash(std::string_view id) const { return id_index_.hash(id); }
    std::optional<uint32_t> find_node(std::string_view id, uint32_t hash) const {
        return id_index_.find(id, hash, inner_);
    }
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
    bool is_connected() const;
    // Whether the directed store has a cycle (self-loops included).
    bool has_directed_cycle() const;

    // Structures derived from the store and its count of changes.
    const DerivedCache& derived() const { return inner_.derived; }
    uint64_t generation() const { return inner_.generation; }

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
    // Changes of records the store itself does not see (node properties).
    void changed() { inner_.changed(); }

    GraphInner inner_;
    IdIndex id_index_;
    std::string name_;
    bool multi_ = false;
};

// Ids of live nodes whose property `key` equals `value`, slot order.
std::vector<std::string> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value);
// (source id, target id, data) of live edges whose property matches, slot order.
std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value);

}  // namespace vg
