// Slot allocation, pair lookup and removal of the stable-index store.
#include "core/graph/store.hpp"

#include "core/errors.hpp"

namespace vg {

const NodeData& GraphInner::node(uint32_t n) const {
    if (!node_live(n)) internal_failure("edge endpoint refers to a vacant node slot");
    return *nodes_[n].data;
}

NodeData& GraphInner::node_for_change(uint32_t n) {
    if (!node_live(n)) internal_failure("change of a vacant node slot");
    changed();
    return *nodes_[n].data;
}

void GraphInner::set_kind(GraphKind kind) {
    if (edge_count_ != 0 && kind != kind_) internal_failure("graph kind changed while edges exist");
    changed();
    kind_ = kind;
}

void GraphInner::reserve(uint64_t nodes, uint64_t edges) {
    nodes_.reserve(nodes);
    edges_.reserve(edges);
}

Result<uint32_t> GraphInner::insert_node(NodeData data) {
    uint32_t slot;
    if (free_node_ == END) {
        if (nodes_.size() >= END) return errors::node_slots_exhausted();
        slot = uint32_t(nodes_.size());
        nodes_.emplace_back();
    } else {
        slot = free_node_;
        free_node_ = nodes_[slot].next[0];
        if (free_node_ != END) nodes_[free_node_].next[1] = END;
    }
    changed();
    NodeSlot& s = nodes_[slot];
    s.data.emplace(std::move(data));
    s.next[0] = s.next[1] = END;
    ++node_count_;
    return slot;
}

Result<uint32_t> GraphInner::insert_edge(uint32_t source, uint32_t target, EdgeData data) {
    uint32_t slot;
    if (free_edge_ == END) {
        if (edges_.size() >= END) return errors::edge_slots_exhausted();
        slot = uint32_t(edges_.size());
        edges_.emplace_back();
    } else {
        slot = free_edge_;
        free_edge_ = edges_[slot].next[0];
    }
    changed();
    EdgeSlot& e = edges_[slot];
    e.node[0] = source;
    e.node[1] = target;
    // Linked at the head of both lists, so lists run newest first. For a
    // self-loop both heads belong to the same node.
    const uint32_t owner[2] = {source, target};
    for (int k = 0; k < 2; ++k) {
        const uint32_t head = nodes_[owner[k]].next[k];
        e.next[k] = head;
        e.prev[k] = END;
        if (head != END) edges_[head].prev[k] = slot;
        nodes_[owner[k]].next[k] = slot;
    }
    e.data = std::move(data);
    ++edge_count_;
    return slot;
}

namespace {

// Walks list `k` from `from` looking for an edge whose far end is `want`;
// one step per call so that two walks can run side by side.
struct ListSearch {
    uint32_t edge;
    int k;
    uint32_t want;
};

}  // namespace

std::optional<uint32_t> GraphInner::find_edge(uint32_t a, uint32_t b) const {
    if (!node_live(a) || !node_live(b)) return std::nullopt;
    // The newest a -> b edge heads both a's outgoing matches and b's
    // incoming matches (both lists run newest first), so whichever walk
    // meets one first has found it; a walk that ends proves there is none.
    auto newest = [&](ListSearch x, ListSearch y) -> std::optional<uint32_t> {
        for (;;) {
            for (ListSearch* w : {&x, &y}) {
                if (w->edge == END) return std::nullopt;
                const EdgeSlot& e = edges_[w->edge];
                if (e.node[1 - w->k] == w->want) return w->edge;
                w->edge = e.next[w->k];
            }
        }
    };
    if (auto e = newest({nodes_[a].next[0], 0, b}, {nodes_[b].next[1], 1, a})) return e;
    if (kind_ == GraphKind::Undirected) return newest({nodes_[a].next[1], 1, b}, {nodes_[b].next[0], 0, a});
    return std::nullopt;
}

void GraphInner::unlink(uint32_t e, int k) {
    EdgeSlot& x = edges_[e];
    const uint32_t owner = x.node[k];
    if (x.prev[k] == END) {
        if (nodes_[owner].next[k] != e) internal_failure("edge missing from its adjacency list");
        nodes_[owner].next[k] = x.next[k];
    } else {
        edges_[x.prev[k]].next[k] = x.next[k];
    }
    if (x.next[k] != END) edges_[x.next[k]].prev[k] = x.prev[k];
}

std::optional<EdgeData> GraphInner::remove_edge(uint32_t e) {
    if (!edge_live(e)) return std::nullopt;
    changed();
    EdgeSlot& slot = edges_[e];
    if (!node_live(slot.node[0]) || !node_live(slot.node[1]))
        internal_failure("edge endpoint refers to a vacant node slot");
    unlink(e, 0);  // from the source's outgoing list
    unlink(e, 1);  // from the target's incoming list
    std::optional<EdgeData> out(std::move(slot.data));
    slot.data = EdgeData{};
    slot.next[0] = free_edge_;
    slot.next[1] = slot.prev[0] = slot.prev[1] = END;
    slot.node[0] = slot.node[1] = END;
    free_edge_ = e;
    --edge_count_;
    return out;
}

std::optional<NodeData> GraphInner::remove_node(uint32_t n) {
    if (!node_live(n)) return std::nullopt;
    changed();
    // Incident edges go first (outgoing list, then incoming, newest first)
    // while the slot is still live for their unlinking.
    for (int k = 0; k < 2; ++k)
        while (nodes_[n].next[k] != END) remove_edge(nodes_[n].next[k]);
    std::optional<NodeData> out = std::move(nodes_[n].data);
    nodes_[n].data.reset();
    nodes_[n].next[0] = free_node_;
    nodes_[n].next[1] = END;
    if (free_node_ != END) nodes_[free_node_].next[1] = n;
    free_node_ = n;
    --node_count_;
    return out;
}

std::vector<std::string_view> ids_of(const GraphInner& s, std::span<const uint32_t> slots) {
    constexpr size_t kLookahead = 8;
    std::vector<std::string_view> out;
    out.reserve(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i + kLookahead < slots.size()) s.prefetch_node(slots[i + kLookahead]);
        out.emplace_back(s.id_of(slots[i]));
    }
    return out;
}

}  // namespace vg
