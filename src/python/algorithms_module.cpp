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
    VG_FN(all_simple_paths,
          "all_simple_paths(graph, source, target, max_depth=32, max_paths=10000)\n--\n\n"
          "All simple (non-repeating) paths from source to target.\n\n"
          "`max_depth` limits the total path length in nodes. `max_paths` is applied to\n"
          "the enumeration itself: it stops once that many paths are found."),
    VG_FN(find_cycles,
          "find_cycles(graph)\n--\n\nFind all cycles in the graph (SCC-based). Returns list of node-ID lists."),
    VG_FN(find_cycle_paths,
          "find_cycle_paths(graph)\n--\n\n"
          "Find one representative cycle path per SCC. Returns list of ordered cycle paths."),
    VG_FN(strongly_connected_components,
          "strongly_connected_components(graph)\n--\n\nStrongly connected components via Tarjan's algorithm.\n"
          "Returns list of components (each is a list of node IDs)."),
    VG_FN(num_connected_components,
          "num_connected_components(graph)\n--\n\nNumber of weakly connected components."),
    VG_FN(weakly_connected_components,
          "weakly_connected_components(graph)\n--\n\nWeakly connected components as lists of node IDs."),
    VG_FN(connected_components_from_edges,
          "connected_components_from_edges(n_nodes, edges)\n--\n\n"
          "Connected-component labels over an integer edge list (no Graph build).\n"
          "Returns a label per node (smallest node id in its component). Raises\n"
          "ValueError if an edge references a node >= n_nodes."),
    VG_FN(is_strongly_connected,
          "is_strongly_connected(graph)\n--\n\nCheck if the graph is strongly connected."),
    VG_FN(is_weakly_connected, "is_weakly_connected(graph)\n--\n\nCheck if the graph is weakly connected."),
    VG_FN(topological_sort,
          "topological_sort(graph)\n--\n\nTopological sort. Returns node IDs in topological order.\n"
          "Raises ValueError if graph has cycles."),
    VG_FN(ancestors, "ancestors(graph, id)\n--\n\nAll ancestors of a node (nodes that can reach it)."),
    VG_FN(descendants, "descendants(graph, id)\n--\n\nAll descendants of a node (nodes reachable from it)."),
    VG_FN(longest_path,
          "longest_path(graph)\n--\n\nLongest path in a DAG. Returns dict with \"length\" and \"path\" keys."),
    VG_FN(transitive_closure,
          "transitive_closure(graph)\n--\n\n"
          "Transitive closure: add edge (u,v) for every pair where v is reachable from u.\n"
          "Returns a new graph with all transitive edges added."),
    VG_FN(condensation,
          "condensation(graph)\n--\n\nCondensation: contract SCCs into single nodes. Returns a new DAG."),
    {nullptr, nullptr, 0, nullptr},
};

#undef VG_FN

}  // namespace

PyMethodDef* algorithms_functions() { return g_functions; }

}  // namespace vg::py
