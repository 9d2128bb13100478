// The common frame of the algorithm functions: their signatures, the graph
// argument, typed conversions of the other arguments and node lookup.
#pragma once
#include <optional>

#include "args.hpp"
#include "convert.hpp"
#include "pygraph.hpp"

namespace vg::py::alg {

#define VG_ALG_SIG(name, required, ...) inline const Signature k_##name{#name "()", {__VA_ARGS__}, required}
VG_ALG_SIG(bfs, 2, "graph", "source");
VG_ALG_SIG(dfs, 2, "graph", "source");
VG_ALG_SIG(dfs_events, 2, "graph", "source");
VG_ALG_SIG(bfs_with_depth, 2, "graph", "source");
VG_ALG_SIG(bfs_at_depth, 3, "graph", "source", "depth");
VG_ALG_SIG(shortest_paths, 2, "graph", "source", "target", "weight_key");
VG_ALG_SIG(shortest_path_length, 3, "graph", "source", "target", "weight_key");
VG_ALG_SIG(has_path, 3, "graph", "source", "target");
VG_ALG_SIG(astar_path, 3, "graph", "source", "target", "weight_key");
VG_ALG_SIG(bellman_ford_paths, 2, "graph", "source", "weight_key");
VG_ALG_SIG(all_simple_paths, 3, "graph", "source", "target", "max_depth", "max_paths");
VG_ALG_SIG(find_cycles, 1, "graph");
VG_ALG_SIG(find_cycle_paths, 1, "graph");
VG_ALG_SIG(strongly_connected_components, 1, "graph");
VG_ALG_SIG(num_connected_components, 1, "graph");
VG_ALG_SIG(weakly_connected_components, 1, "graph");
VG_ALG_SIG(connected_components_from_edges, 2, "n_nodes", "edges");
VG_ALG_SIG(is_strongly_connected, 1, "graph");
VG_ALG_SIG(is_weakly_connected, 1, "graph");
VG_ALG_SIG(topological_sort, 1, "graph");
VG_ALG_SIG(ancestors, 2, "graph", "id");
VG_ALG_SIG(descendants, 2, "graph", "id");
VG_ALG_SIG(longest_path, 1, "graph");
VG_ALG_SIG(pagerank, 1, "graph", "damping_factor", "iterations");
VG_ALG_SIG(degree_centrality, 1, "graph");
VG_ALG_SIG(in_degree_centrality, 1, "graph");
VG_ALG_SIG(out_degree_centrality, 1, "graph");
VG_ALG_SIG(betweenness_centrality, 1, "graph", "normalized");
VG_ALG_SIG(closeness_centrality, 1, "graph");
VG_ALG_SIG(eigenvector_centrality, 1, "graph", "iterations", "tolerance");
VG_ALG_SIG(louvain_communities, 1, "graph");
VG_ALG_SIG(label_propagation, 1, "graph");
VG_ALG_SIG(bridges, 1, "graph");
VG_ALG_SIG(greedy_matching, 1, "graph");
VG_ALG_SIG(maximum_matching, 1, "graph");
VG_ALG_SIG(maximal_cliques, 1, "graph", "max_input_nodes", "max_cliques");
VG_ALG_SIG(density, 1, "graph");
VG_ALG_SIG(is_bipartite, 1, "graph");
VG_ALG_SIG(transitive_closure, 1, "graph");
VG_ALG_SIG(condensation, 1, "graph");
VG_ALG_SIG(articulation_points, 1, "graph");
VG_ALG_SIG(k_clique_communities, 2, "graph", "k");
#undef VG_ALG_SIG

// Step 2: the graph argument (slot 0), type-checked and borrowed shared.
inline SharedBorrow graph_arg(const Args& a) { return borrow_graph_arg(a[0], "graph"); }

// Step 3 converters, each noted with its parameter name. Empty slots take
// the default; None never does for numbers and booleans.
inline std::string_view text(const Args& a, size_t i) { return str_param(a, i); }
inline std::optional<std::string_view> opt_text(const Args& a, size_t i) {
    if (!a.optional(i)) return std::nullopt;
    return text(a, i);
}
inline uint64_t count(const Args& a, size_t i, uint64_t dflt = 0) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_u64(a[i]); });
}
inline double real(const Args& a, size_t i, double dflt) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_f64(a[i]); });
}
inline bool flag(const Args& a, size_t i, bool dflt) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_bool(a[i]); });
}

// Step 4: a node id that must exist (KeyError, no note).
inline uint32_t node(const PropertyGraph& g, std::string_view id) { return node_or_key_error(g, id); }

}  // namespace vg::py::alg
