// Packed outgoing lists.
#include "adjacency.hpp"

#include <array>

namespace vg {

PackedAdjacency packed_adjacency(const GraphInner& s, bool incoming) {
    const size_t n = s.nodes.size();
    // List k runs through next[k]; its rows hold the edge end node[1 - k].
    const int k = incoming ? 1 : 0;
    PackedAdjacency adj;
    adj.first.assign(n + 1, 0);
    for (const EdgeSlot& e : s.edges)
        if (e.data) ++adj.first[e.node[k] + 1];
    for (size_t v = 0; v < n; ++v) adj.first[v + 1] += adj.first[v];
    adj.targets.resize(adj.first[n]);

    // Lanes each follow one node's list; a lane whose list ends takes the
    // next node. Each step requests the following slot of its list before
    // the other lanes move, so up to kLanes loads are in flight.
    constexpr size_t kLanes = 16;
    struct Lane {
        uint32_t edge = END;
        uint32_t pos = 0;
        uint32_t end = 0;
    };
    std::array<Lane, kLanes> lanes{};
    uint32_t next_node = 0;
    auto refill = [&](Lane& lane) {
        while (next_node < n) {
            const uint32_t v = next_node++;
            if (adj.first[v] == adj.first[v + 1]) continue;  // no outgoing edge (or vacant)
            lane.edge = s.nodes[v].next[k];
            lane.pos = adj.first[v];
            lane.end = adj.first[v + 1];
            __builtin_prefetch(&s.edges[lane.edge]);
            return;
        }
        lane.edge = END;
    };
    size_t active = 0;
    for (Lane& lane : lanes) {
        refill(lane);
        if (lane.edge != END) ++active;
    }
    while (active) {
        for (Lane& lane : lanes) {
            if (lane.edge == END) continue;
            const EdgeSlot& e = s.edges[lane.edge];
            if (lane.pos == lane.end) internal_failure("adjacency list longer than its node's edge count");
            adj.targets[lane.pos++] = e.node[1 - k];
            lane.edge = e.next[k];
            if (lane.edge != END) {
                __builtin_prefetch(&s.edges[lane.edge]);
            } else {
                refill(lane);
                if (lane.edge == END) --active;
            }
        }
    }
    return adj;
}

}  // namespace vg
