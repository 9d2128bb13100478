// The stable-index slot store under every graph: node and edge slots in
// two vectors, a removed slot reused by the next addition of its kind, so
// the numbers of live slots never change.
//
// Each node heads two edge lists (outgoing, incoming); a new edge is linked
// at the head of both, so lists run newest first. Edges also link back to
// their predecessors, so unlinking one costs the same at any degree.
//
// Only the graph layer (src/core/graph/) reads the slot links; everything
// else reads nodes and edges through the accessors here and neighbours
// through graph/adjacency.hpp.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/graph/derived_cache.hpp"
#include "core/result.hpp"
#include "core/support/prefetch.hpp"
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

enum class GraphKind : uint8_t { Directed, Undirected };

struct EdgeEnds {
    uint32_t source;
    uint32_t target;
};

class GraphInner {
public:
    explicit GraphInner(GraphKind kind = GraphKind::Directed) : kind_(kind) {}

    // ---- reading -------------------------------------------------------
    bool is_directed() const { return kind_ == GraphKind::Directed; }
    uint64_t node_count() const { return node_count_; }
    uint64_t edge_count() const { return edge_count_; }
    // Lengths of the slot vectors: live slot numbers lie below them.
    uint32_t node_slots() const { return uint32_t(nodes_.size()); }
    uint32_t edge_slots() const { return uint32_t(edges_.size()); }
    bool node_live(uint32_t n) const { return n < nodes_.size() && nodes_[n].data.has_value(); }
    bool edge_live(uint32_t e) const { return e < edges_.size() && edges_[e].live(); }
    // The record of a node slot, or null when it is vacant or out of range.
    const NodeData* find_record(uint32_t n) const {
        return n < nodes_.size() && nodes_[n].data ? &*nodes_[n].data : nullptr;
    }
    // The record and id of a live node; a vacant slot is a broken invariant.
    const NodeData& node(uint32_t n) const;
    const std::string& id_of(uint32_t n) const { return node(n).id; }
    // Endpoints and record of a live edge; the endpoints of a vacant slot
    // below edge_slots() are (END, END).
    EdgeEnds ends(uint32_t e) const { return {edges_[e].node[0], edges_[e].node[1]}; }
    const EdgeData& edge(uint32_t e) const { return edges_[e].data; }

    // Live nodes in slot order: f(slot, record).
    template <class F>
    void for_each_node(F&& f) const {
        for (uint32_t n = 0; n < nodes_.size(); ++n)
            if (nodes_[n].data) f(n, *nodes_[n].data);
    }
    // Live edges in slot order: f(slot, ends, record).
    template <class F>
    void for_each_edge(F&& f) const {
        for (uint32_t e = 0; e < edges_.size(); ++e)
            if (edges_[e].live()) f(e, EdgeEnds{edges_[e].node[0], edges_[e].node[1]}, edges_[e].data);
    }
    // Start loading a slot that a loop will read a few steps later (both
    // ends of a node slot: it may straddle two cache lines). Forced inline:
    // GCC may drop a call to a function whose only effect is a prefetch.
    [[gnu::always_inline]] void prefetch_node(uint32_t n) const {
        const char* r = reinterpret_cast<const char*>(&nodes_[n]);
        vg::prefetch_read(r);
        vg::prefetch_read(r + sizeof(NodeSlot) - 1);
    }
    [[gnu::always_inline]] void prefetch_edge(uint32_t e) const { vg::prefetch_read(&edges_[e]); }

    // The edge the pair lookup of the graph kind finds from a to b: the
    // newest a -> b edge; on the undirected kind, failing that, the newest
    // b -> a edge. It walks the two nodes' lists side by side, so it costs
    // at most about the smaller node's degree.
    std::optional<uint32_t> find_edge(uint32_t a, uint32_t b) const;

    // Structures derived from the store (graph/adjacency.hpp), kept until
    // the next change, and the count of changes, which they record to prove
    // they match the store.
    const DerivedCache& derived() const { return derived_; }
    uint64_t generation() const { return generation_; }

    // ---- changing --------------------------------------------------------
    // The kind may change only while there are no edges.
    void set_kind(GraphKind kind);
    void reserve(uint64_t nodes, uint64_t edges);
    // Allocation of a new slot; an error once 32-bit slot numbers run out.
    Result<uint32_t> insert_node(NodeData data);
    Result<uint32_t> insert_edge(uint32_t source, uint32_t target, EdgeData data);
    // Nothing when the slot is out of range or vacant. Removing a node
    // removes its incident edges first: its outgoing list, then its
    // incoming list, newest first.
    std::optional<EdgeData> remove_edge(uint32_t e);
    std::optional<NodeData> remove_node(uint32_t n);
    // The record of a live node, for changes of its properties.
    NodeData& node_for_change(uint32_t n);

private:
    friend struct StoreLinks;

    // Live: next = (first outgoing edge, first incoming edge).
    // Vacant: next = (next vacant slot, previous vacant slot).
    struct NodeSlot {
        std::optional<NodeData> data;
        uint32_t next[2] = {END, END};
    };
    // Live: next/prev = neighbours in the source's outgoing list (index 0)
    // and the target's incoming list (index 1), node = (source, target).
    // Vacant: next[0] is the next vacant slot, everything else END. The
    // record keeps no flag of its own: an edge is live while its source is
    // not END, so an edge costs its links, endpoints and one pointer.
    struct EdgeSlot {
        EdgeData data;
        uint32_t next[2] = {END, END};
        uint32_t prev[2] = {END, END};
        uint32_t node[2] = {END, END};
        bool live() const { return node[0] != END; }
    };

    void changed() {
        ++generation_;
        derived_.clear();
    }
    void unlink(uint32_t e, int k);

    GraphKind kind_;
    std::vector<NodeSlot> nodes_;
    std::vector<EdgeSlot> edges_;
    uint64_t node_count_ = 0;
    uint64_t edge_count_ = 0;
    uint32_t free_node_ = END;
    uint32_t free_edge_ = END;
    DerivedCache derived_;
    uint64_t generation_ = 0;
};

// A node slot an algorithm is given must be live; a vacant one is a
// broken invariant of the caller.
inline void require_live(const GraphInner& s, uint32_t n) {
    if (!s.node_live(n)) internal_failure("algorithm given a vacant node slot");
}

// The ids of live slots, in the order given. Search orders jump around the
// node vector, so records are loaded a few places ahead of the one read.
std::vector<std::string_view> ids_of(const GraphInner& s, std::span<const uint32_t> slots);

}  // namespace vg
