// Functions of vesk_graph._rust.algorithms, in registration order. A
// function is listed once its body exists.
#include "algorithms_bodies.hpp"
#include "algorithms_frame.hpp"
#include "callconv.hpp"
#include "submodules.hpp"

namespace vg::py {

namespace {

constexpr int kFlags = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

#define VG_FN(name, doc) {#name, as_cfunction<fastcall<alg::k_##name, alg::name##_fn>>(), kFlags, doc}

PyMethodDef g_functions[] = {
    VG_FN(bfs, "bfs(graph, source)\n--\n\nBFS traversal from a source node. Returns node IDs in BFS order."),
    VG_FN(dfs, "dfs(graph, source)\n--\n\nDFS traversal from a source node. Returns node IDs in DFS (preorder)."),
    VG_FN(dfs_events,
          "dfs_events(graph, source)\n--\n\nDFS with enter/exit events. Returns (node_id, event_str) pairs.\n"
          "event_str is \"enter\" or \"exit\"."),
    VG_FN(bfs_with_depth, "bfs_with_depth(graph, source)\n--\n\nBFS returning (node_id, depth) pairs."),
    VG_FN(bfs_at_depth, "bfs_at_depth(graph, source, depth)\n--\n\nBFS returning only nodes at a specific depth."),
    VG_FN(shortest_paths,
          "shortest_paths(graph, source, target=None, weight_key=None)\n--\n\n"
          "Single-source shortest paths via Dijkstra. Returns dict of {node_id: cost}."),
    VG_FN(shortest_path_length,
          "shortest_path_length(graph, source, target, weight_key=None)\n--\n\n"
          "Shortest path distance between two nodes. Returns float or None."),
    VG_FN(has_path, "has_path(graph, source, target)\n--\n\nCheck if a path exists between two nodes."),
    VG_FN(astar_path,
          "astar_path(graph, source, target, weight_key=None)\n--\n\n"
          "A* shortest path. Returns dict with \"cost\" and \"path\" keys, or None."),
    VG_FN(bellman_ford_paths,
          "bellman_ford_paths(graph, source, weight_key=None)\n--\n\n"
          "Bellman-Ford shortest paths. Returns dict of {node_id: cost}.\n"
          "Supports negative weights. Raises ValueError on negative cycle."),
    {nullptr, nullptr, 0, nullptr},
};

#undef VG_FN

}  // namespace

PyMethodDef* algorithms_functions() { return g_functions; }

}  // namespace vg::py
