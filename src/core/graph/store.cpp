// Slot allocation, edge lookup and removal of the stable-index store.
#include "core/errors.hpp"
#include "core/graph/graph.hpp"

namespace vg {

const std::string& GraphInner::id_of(uint32_t n) const {
    if (!node_live(n)) internal_failure("edge endpoint refers to a vacant node slot");
    return nodes[n].data->id;
}

Result<uint32_t> GraphInner::insert_node(NodeData data) {
    uint32_t slot;
    if (free_node == END) {
        if (nodes.size() >= END) return errors::node_slots_exhausted();
        slot = uint32_t(nodes.size());
        nodes.emplace_back();
    } else {
        slot = free_node;
        NodeSlot& s = nodes[slot];
        free_node = s.next[0];
        if (free_node != END) nodes[free_node].next[1] = END;
    }
    changed();
    NodeSlot& s = nodes[slot];
    s.data.emplace(std::move(data));
    s.next[0] = s.next[1] = END;
    ++node_count;
    return slot;
}

Result<uint32_t> GraphInner::insert_edge(uint32_t source, uint32_t target, EdgeData data) {
    uint32_t slot;
    if (free_edge == END) {
        if (edges.size() >= END) return errors::edge_slots_exhausted();
        slot = uint32_t(edges.size());
        edges.emplace_back();
    } else {
        slot = free_edge;
        free_edge = edges[slot].next[0];
    }
    changed();
    EdgeSlot& e = edges[slot];
    e.node[0] = source;
    e.node[1] = target;
    // Linked at the head of both lists, so lists run newest first. For a
    // self-loop both heads belong to the same node.
    e.next[0] = nodes[source].next[0];
    e.next[1] = nodes[target].next[1];
    nodes[source].next[0] = slot;
    nodes[target].next[1] = slot;
    e.data.emplace(std::move(data));
    ++edge_count;
    return slot;
}

std::optional<uint32_t> GraphInner::find_edge(uint32_t a, uint32_t b) const {
    if (!node_live(a)) return std::nullopt;
    for (uint32_t e = nodes[a].next[0]; e != END; e = edges[e].next[0])
        if (edges[e].node[1] == b) return e;
    if (kind == GraphKind::Undirected)
        for (uint32_t e = nodes[a].next[1]; e != END; e = edges[e].next[1])
            if (edges[e].node[0] == b) return e;
    return std::nullopt;
}

std::optional<EdgeData> GraphInner::remove_edge(uint32_t e) {
    if (!edge_live(e)) return std::nullopt;
    changed();
    EdgeSlot& slot = edges[e];
    for (int k = 0; k < 2; ++k) {
        uint32_t n = slot.node[k];
        if (!node_live(n)) internal_failure("edge endpoint refers to a vacant node slot");
        // k = 0: outgoing list of the source; k = 1: incoming list of the target.
        uint32_t* link = &nodes[n].next[k];
        while (*link != e) {
            if (*link == END) internal_failure("edge missing from its adjacency list");
            link = &edges[*link].next[k];
        }
        *link = slot.next[k];
    }
    std::optional<EdgeData> out = std::move(slot.data);
    slot.data.reset();
    slot.next[0] = free_edge;
    slot.next[1] = END;
    slot.node[0] = slot.node[1] = END;
    free_edge = e;
    --edge_count;
    return out;
}

std::optional<NodeData> GraphInner::remove_node(uint32_t n) {
    if (!node_live(n)) return std::nullopt;
    changed();
    // Incident edges go first (outgoing list, then incoming, newest first)
    // while the slot is still live for their unlinking.
    for (int k = 0; k < 2; ++k)
        while (nodes[n].next[k] != END) remove_edge(nodes[n].next[k]);
    std::optional<NodeData> out = std::move(nodes[n].data);
    nodes[n].data.reset();
    nodes[n].next[0] = free_node;
    nodes[n].next[1] = END;
    if (free_node != END) nodes[free_node].next[1] = n;
    free_node = n;
    --node_count;
    return out;
}

}  // namespace vg
