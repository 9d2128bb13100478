// PyGraph's class item table, in the order the class presents its items.
#include "callconv.hpp"
#include "pygraph_methods.hpp"

namespace vg::py {

namespace {

#define VG_SIG(var, display, required, ...) const Signature var{display, {__VA_ARGS__}, required}
VG_SIG(kAddNode, "PyGraph.add_node()", 1, "id", "properties");
VG_SIG(kAddEdge, "PyGraph.add_edge()", 2, "source", "target", "properties");
VG_SIG(kRemoveNode, "PyGraph.remove_node()", 1, "id");
VG_SIG(kRemoveEdge, "PyGraph.remove_edge()", 2, "source", "target");
VG_SIG(kUpdateNode, "PyGraph.update_node()", 1, "id", "properties");
VG_SIG(kSetNodeProperty, "PyGraph.set_node_property()", 3, "id", "key", "value");
VG_SIG(kNode, "PyGraph.node()", 1, "id");
VG_SIG(kSuccessors, "PyGraph.successors()", 1, "id");
VG_SIG(kPredecessors, "PyGraph.predecessors()", 1, "id");
VG_SIG(kNeighbors, "PyGraph.neighbors()", 1, "id");
VG_SIG(kDegree, "PyGraph.degree()", 1, "id");
VG_SIG(kHasNode, "PyGraph.has_node()", 1, "id");
VG_SIG(kHasEdge, "PyGraph.has_edge()", 2, "source", "target");
VG_SIG(kFromJson, "PyGraph.from_json()", 4, "data", "max_bytes", "max_nodes", "max_edges");
VG_SIG(kSetState, "PyGraph.__setstate__()", 1, "state");
VG_SIG(kNodesFiltered, "PyGraph.nodes_filtered()", 2, "key", "value");
VG_SIG(kEdgesFiltered, "PyGraph.edges_filtered()", 2, "key", "value");
VG_SIG(kSubgraph, "PyGraph.subgraph()", 1, "node_ids");
VG_SIG(kEgoGraph, "PyGraph.ego_graph()", 2, "center", "radius");
#undef VG_SIG

constexpr int kFast = METH_FASTCALL | METH_KEYWORDS;

#define VG_FAST(name, sig, body, doc) {name, as_cfunction<fastcall<sig, body>>(), kFast, doc}
#define VG_NOARGS(name, body, doc) {name, as_cfunction<noargs<body>>(), METH_NOARGS, doc}

PyMethodDef g_methods[] = {
    VG_FAST("add_node", kAddNode, graph_add_node,
            "add_node($self, id, properties=None)\n--\n\nAdd a node with the given ID and optional properties dict."),
    VG_FAST("add_edge", kAddEdge, graph_add_edge,
            "add_edge($self, source, target, properties=None)\n--\n\n"
            "Add an edge from source to target with optional properties dict."),
    VG_FAST("remove_node", kRemoveNode, graph_remove_node,
            "remove_node($self, id)\n--\n\nRemove a node and all its incident edges. Returns the node's properties."),
    VG_FAST("remove_edge", kRemoveEdge, graph_remove_edge,
            "remove_edge($self, source, target)\n--\n\nRemove an edge from source to target."),
    VG_FAST("update_node", kUpdateNode, graph_update_node,
            "update_node($self, id, properties=None)\n--\n\n"
            "Merge properties into an existing node. Existing properties are\n"
            "preserved unless overwritten by the new values."),
    VG_FAST("set_node_property", kSetNodeProperty, graph_set_node_property,
            "set_node_property($self, id, key, value)\n--\n\nSet a single property on an existing node."),
    VG_FAST("node", kNode, graph_node, "node($self, id)\n--\n\nGet a node's properties dict, or None if not found."),
    VG_NOARGS("node_ids", graph_node_ids, "node_ids($self)\n--\n\nList all node IDs."),
    VG_NOARGS("edges", graph_edges, "edges($self)\n--\n\nList all edges as (source, target, properties) tuples."),
    VG_FAST("successors", kSuccessors, graph_successors,
            "successors($self, id)\n--\n\nGet successors (outgoing neighbors) of a node."),
    VG_FAST("predecessors", kPredecessors, graph_predecessors,
            "predecessors($self, id)\n--\n\nGet predecessors (incoming neighbors) of a node."),
    VG_FAST("neighbors", kNeighbors, graph_neighbors,
            "neighbors($self, id)\n--\n\nGet all neighbors (both directions) of a node."),
    VG_FAST("degree", kDegree, graph_degree, "degree($self, id)\n--\n\nDegree of a node (in + out for directed)."),
    VG_FAST("has_node", kHasNode, graph_has_node, "has_node($self, id)\n--\n\nCheck if a node exists."),
    VG_FAST("has_edge", kHasEdge, graph_has_edge, "has_edge($self, source, target)\n--\n\nCheck if an edge exists."),
    VG_NOARGS("is_dag", graph_is_dag, "is_dag($self)\n--\n\nWhether the graph is a DAG (no cycles)."),
    VG_NOARGS("to_json", graph_to_json, "to_json($self)\n--\n\nSerialize to JSON string."),
    {"from_json", as_cfunction<fastcall<kFromJson, graph_from_json>>(), kFast | METH_STATIC,
     "from_json(data, max_bytes, max_nodes, max_edges)\n--\n\n"
     "Deserialize from JSON string with explicit caps (audit A2-#3).\n\n"
     "All four cap arguments are required at the FFI boundary; Python\n"
     "wrappers in :mod:`vesk_graph.graph` resolve them from\n"
     ":class:`VeskGraphSettings` before calling."},
    VG_NOARGS("__getstate__", graph_getstate, "__getstate__($self)\n--\n\n"),
    VG_FAST("__setstate__", kSetState, graph_setstate, "__setstate__($self, state)\n--\n\n"),
    VG_FAST("nodes_filtered", kNodesFiltered, graph_nodes_filtered,
            "nodes_filtered($self, key, value)\n--\n\nReturn node IDs where the property `key` equals `value`."),
    VG_FAST("edges_filtered", kEdgesFiltered, graph_edges_filtered,
            "edges_filtered($self, key, value)\n--\n\nReturn edges where the property `key` equals `value`.\n"
            "Each entry is (source, target, properties_dict)."),
    VG_FAST("subgraph", kSubgraph, graph_subgraph,
            "subgraph($self, node_ids)\n--\n\n"
            "Extract a subgraph containing only the specified node IDs and edges between them."),
    VG_FAST("ego_graph", kEgoGraph, graph_ego_graph,
            "ego_graph($self, center, radius)\n--\n\n"
            "Extract the ego graph: all nodes within `radius` hops of `center`, plus their edges."),
    VG_NOARGS("is_connected", graph_is_connected,
              "is_connected($self)\n--\n\nWhether the graph is (weakly) connected."),
    VG_NOARGS("is_tree", graph_is_tree,
              "is_tree($self)\n--\n\nWhether the graph is a tree (connected, |E| = |V| - 1, acyclic)."),
    VG_NOARGS("reverse", graph_reverse,
              "reverse($self)\n--\n\nReturn a new graph with all edge directions reversed."),
    VG_NOARGS("to_undirected", graph_to_undirected,
              "to_undirected($self)\n--\n\nConvert to an undirected graph (add reverse edges where missing)."),
    {nullptr, nullptr, 0, nullptr},
};

#undef VG_FAST
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
