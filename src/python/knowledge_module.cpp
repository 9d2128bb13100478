// Functions of vesk_graph._rust.knowledge, in registration order.
#include "callconv.hpp"
#include "knowledge_bodies.hpp"
#include "submodules.hpp"

namespace vg::py {

namespace {

constexpr int kFlags = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

#define VG_FN(name, doc) {#name, as_cfunction<fastcall<kn::k_##name, kn::name##_fn>>(), kFlags, doc}

PyMethodDef g_functions[] = {
    VG_FN(merge_graphs,
          "merge_graphs(base, other, conflict=\"keep_latest\")\n--\n\n"
          "Merge two graphs with a configurable conflict strategy.\n\n"
          "Strategies: \"keep_first\", \"keep_latest\" (default), \"merge\"."),
    VG_FN(diff_graphs,
          "diff_graphs(old, new)\n--\n\n"
          "Diff two graphs. Returns a dict with keys:\n"
          "added_nodes, removed_nodes, added_edges, removed_edges, changed_node_properties."),
    VG_FN(extract_subgraph_by_property,
          "extract_subgraph_by_property(graph, key, value)\n--\n\n"
          "Extract subgraph by filtering nodes on a property value."),
    VG_FN(extract_subgraph_by_types,
          "extract_subgraph_by_types(graph, types)\n--\n\n"
          "Extract subgraph containing nodes whose \"type\" property matches any value in the list."),
    VG_FN(project_triples,
          "project_triples(graph)\n--\n\nProject graph edges as (subject, predicate, object) triples."),
    VG_FN(from_triples,
          "from_triples(triples, directed=True)\n--\n\nBuild a graph from (subject, predicate, object) triples."),
    VG_FN(infer_types,
          "infer_types(graph, predicate_iri)\n--\n\n"
          "Infer transitive types via a specific predicate (e.g., \"subClassOf\")."),
    VG_FN(densify,
          "densify(graph, predicate)\n--\n\n"
          "Add transitive closure edges for a specific relationship type.\n\n"
          "If A->B and B->C both have the given predicate, add A->C."),
    VG_FN(find_orphan_nodes, "find_orphan_nodes(graph)\n--\n\nFind orphan nodes (degree 0)."),
    VG_FN(find_hub_nodes, "find_hub_nodes(graph, threshold)\n--\n\nFind hub nodes (degree > threshold)."),
    VG_FN(degree_distribution,
          "degree_distribution(graph)\n--\n\nDegree distribution: returns dict of {degree: count}."),
    {nullptr, nullptr, 0, nullptr},
};

#undef VG_FN

}  // namespace

PyMethodDef* knowledge_functions() { return g_functions; }

}  // namespace vg::py
