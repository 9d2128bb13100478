// A resumable walk over one node's adjacency lists, for searches that keep
// their own stack of partly walked nodes instead of recursing.
#pragma once
#include <cstdint>

#include "core/graph/graph.hpp"

namespace vg {

enum class WalkMode : uint8_t {
    Out,         // outgoing list only (targets)
    Undirected,  // outgoing, then incoming without self-loops: each incident edge once
    Both,        // outgoing, then all of incoming (a self-loop is met twice)
};

// The walk a traversal uses for neighbours: outgoing on the directed kind,
// every incident edge once on the undirected kind.
inline WalkMode neighbor_mode(const GraphInner& s) { return s.is_directed() ? WalkMode::Out : WalkMode::Undirected; }
// Direction ignored: every edge of the node, from either end.
inline WalkMode any_direction_mode(const GraphInner& s) { return s.is_directed() ? WalkMode::Both : WalkMode::Undirected; }

struct EdgeCursor {
    uint32_t node;
    uint32_t edge;
    bool incoming = false;

    EdgeCursor(const GraphInner& s, uint32_t n) : node(n), edge(s.nodes[n].next[0]) {}

    // Steps to the next edge of the walk; false at its end. Sets the edge
    // and the node at its other end.
    bool next(const GraphInner& s, WalkMode mode, uint32_t& e, uint32_t& other) {
        for (;;) {
            if (edge == END) {
                if (incoming || mode == WalkMode::Out) return false;
                incoming = true;
                edge = s.nodes[node].next[1];
                continue;
            }
            e = edge;
            const EdgeSlot& slot = s.edges[e];
            if (!incoming) {
                edge = slot.next[0];
                other = slot.node[1];
                return true;
            }
            edge = slot.next[1];
            if (mode == WalkMode::Undirected && slot.node[0] == node) continue;
            other = slot.node[0];
            return true;
        }
    }
};

}  // namespace vg
