// PyGraph's class item table, in the order the class presents its items.
#include "python/callconv.hpp"
#include "python/functions.hpp"
#include "python/graph/pygraph_methods.hpp"

namespace vg::py {

namespace {

constexpr int kFast = METH_FASTCALL | METH_KEYWORDS;

// A method taking arguments: its name, parameters and the "PyGraph.name()"
// of argument errors are all read from the docstring's signature line.
template <FixedString Doc, Body F, int Flags = kFast>
PyMethodDef method_def() {
    return {kParsed<Doc>.name, as_cfunction<fastcall<kMethodSignature<Doc, "PyGraph.">, F>>(), Flags, Doc.text};
}

// A method taking no arguments.
template <FixedString Doc, NoArgBody F>
PyMethodDef noargs_def() {
    return {kParsed<Doc>.name, as_cfunction<noargs<F>>(), METH_NOARGS, Doc.text};
}

#define VG_METHOD(doc, body) method_def<doc, body>()
#define VG_NOARGS(doc, body) noargs_def<doc, body>()

PyMethodDef g_methods[] = {
    VG_METHOD("add_node($self, id, properties=None)\n--\n\nAdd a node with the given ID and optional properties dict.",
              graph_add_node),
    VG_METHOD("add_edge($self, source, target, properties=None)\n--\n\n"
              "Add an edge from source to target with optional properties dict.",
              graph_add_edge),
    VG_METHOD("remove_node($self, id)\n--\n\nRemove a node and all its incident edges. Returns the node's properties.",
              graph_remove_node),
    VG_METHOD("remove_edge($self, source, target)\n--\n\nRemove an edge from source to target.", graph_remove_edge),
    VG_METHOD("update_node($self, id, properties=None)\n--\n\n"
              "Merge properties into an existing node. Existing properties are\n"
              "preserved unless overwritten by the new values.",
              graph_update_node),
    VG_METHOD("set_node_property($self, id, key, value)\n--\n\nSet a single property on an existing node.",
              graph_set_node_property),
    VG_METHOD("node($self, id)\n--\n\nGet a node's properties dict, or None if not found.", graph_node),
    VG_NOARGS("node_ids($self)\n--\n\nList all node IDs.", graph_node_ids),
    VG_NOARGS("edges($self)\n--\n\nList all edges as (source, target, properties) tuples.", graph_edges),
    VG_METHOD("successors($self, id)\n--\n\nGet successors (outgoing neighbors) of a node.", graph_successors),
    VG_METHOD("predecessors($self, id)\n--\n\nGet predecessors (incoming neighbors) of a node.", graph_predecessors),
    VG_METHOD("neighbors($self, id)\n--\n\nGet all neighbors (both directions) of a node.", graph_neighbors),
    VG_METHOD("degree($self, id)\n--\n\nDegree of a node (in + out for directed).", graph_degree),
    VG_METHOD("has_node($self, id)\n--\n\nCheck if a node exists.", graph_has_node),
    VG_METHOD("has_edge($self, source, target)\n--\n\nCheck if an edge exists.", graph_has_edge),
    VG_NOARGS("is_dag($self)\n--\n\nWhether the graph is a DAG (no cycles).", graph_is_dag),
    VG_NOARGS("to_json($self)\n--\n\nSerialize to JSON string.", graph_to_json),
    method_def<"from_json(data, max_bytes, max_nodes, max_edges)\n--\n\n"
               "Deserialize from JSON string with explicit caps (audit A2-#3).\n\n"
               "All four cap arguments are required at the FFI boundary; Python\n"
               "wrappers in :mod:`vesk_graph.graph` resolve them from\n"
               ":class:`VeskGraphSettings` before calling.",
               graph_from_json, kFast | METH_STATIC>(),
    VG_NOARGS("__getstate__($self)\n--\n\n", graph_getstate),
    VG_METHOD("__setstate__($self, state)\n--\n\n", graph_setstate),
    VG_METHOD("nodes_filtered($self, key, value)\n--\n\nReturn node IDs where the property `key` equals `value`.",
              graph_nodes_filtered),
    VG_METHOD("edges_filtered($self, key, value)\n--\n\nReturn edges where the property `key` equals `value`.\n"
              "Each entry is (source, target, properties_dict).",
              graph_edges_filtered),
    VG_METHOD("subgraph($self, node_ids)\n--\n\n"
              "Extract a subgraph containing only the specified node IDs and edges between them.",
              graph_subgraph),
    VG_METHOD("ego_graph($self, center, radius)\n--\n\n"
              "Extract the ego graph: all nodes within `radius` hops of `center`, plus their edges.",
              graph_ego_graph),
    VG_NOARGS("is_connected($self)\n--\n\nWhether the graph is (weakly) connected.", graph_is_connected),
    VG_NOARGS("is_tree($self)\n--\n\nWhether the graph is a tree (connected, |E| = |V| - 1, acyclic).",
              graph_is_tree),
    VG_NOARGS("reverse($self)\n--\n\nReturn a new graph with all edge directions reversed.", graph_reverse),
    VG_NOARGS("to_undirected($self)\n--\n\nConvert to an undirected graph (add reverse edges where missing).",
              graph_to_undirected),
    {nullptr, nullptr, 0, nullptr},
};

#undef VG_METHOD
#undef VG_NOARGS

PyGetSetDef g_getset[] = {
    {"n_nodes", getter<graph_n_nodes>, nullptr, "Number of nodes.", nullptr},
    {"n_edges", getter<graph_n_edges>, nullptr, "Number of edges.", nullptr},
    {"is_directed", getter<graph_is_directed>, nullptr, "Whether the graph is directed.", nullptr},
    {"is_multi", getter<graph_is_multi>, nullptr, "Whether the graph allows parallel edges (multi-graph).", nullptr},
    {"name", getter<graph_name>, nullptr, "Graph name.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

PyMethodDef* pygraph_methods() { return g_methods; }
PyGetSetDef* pygraph_getset() { return g_getset; }

}  // namespace vg::py
