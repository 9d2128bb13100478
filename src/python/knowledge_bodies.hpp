// Signatures and bodies of the functions of vesk_graph._rust.knowledge.
#pragma once
#include "args.hpp"

namespace vg::py::kn {

#define VG_KN_SIG(name, required, ...) inline const Signature k_##name{#name "()", {__VA_ARGS__}, required}
VG_KN_SIG(merge_graphs, 2, "base", "other", "conflict");
VG_KN_SIG(diff_graphs, 2, "old", "new");
VG_KN_SIG(extract_subgraph_by_property, 3, "graph", "key", "value");
VG_KN_SIG(extract_subgraph_by_types, 2, "graph", "types");
VG_KN_SIG(project_triples, 1, "graph");
VG_KN_SIG(from_triples, 1, "triples", "directed");
VG_KN_SIG(infer_types, 2, "graph", "predicate_iri");
VG_KN_SIG(densify, 2, "graph", "predicate");
VG_KN_SIG(find_orphan_nodes, 1, "graph");
VG_KN_SIG(find_hub_nodes, 2, "graph", "threshold");
VG_KN_SIG(degree_distribution, 1, "graph");
#undef VG_KN_SIG

// knowledge_graphs.cpp: graphs from graphs, and their diff.
PyRef merge_graphs_fn(PyObject*, const Args& a);
PyRef diff_graphs_fn(PyObject*, const Args& a);
PyRef infer_types_fn(PyObject*, const Args& a);
PyRef densify_fn(PyObject*, const Args& a);
// knowledge_triples.cpp
PyRef project_triples_fn(PyObject*, const Args& a);
PyRef from_triples_fn(PyObject*, const Args& a);
// knowledge_select.cpp: selections by node property and by degree.
PyRef extract_subgraph_by_property_fn(PyObject*, const Args& a);
PyRef extract_subgraph_by_types_fn(PyObject*, const Args& a);
PyRef find_orphan_nodes_fn(PyObject*, const Args& a);
PyRef find_hub_nodes_fn(PyObject*, const Args& a);
PyRef degree_distribution_fn(PyObject*, const Args& a);

}  // namespace vg::py::kn
