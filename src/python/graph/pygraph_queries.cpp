// Read-only PyGraph methods and properties.
#include "core/graph/predicates.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_class.hpp"

namespace vg::py {

namespace {

PyRef graph_node(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    const NodeData* nd = g->get_node(text(a, 0));
    return nd ? properties_to_py_dict(nd->properties) : py_none();
}

PyRef graph_node_ids(PyObject* self) {
    SharedBorrow g(self);
    return py_list_from_strings(g->node_ids());
}

PyRef graph_edges(PyObject* self) {
    SharedBorrow g(self);
    std::vector<EdgeEntry> entries;
    entries.reserve(g->edge_count());
    PropertyDicts dict;
    for (const auto& e : g->edges()) entries.push_back({e.source, e.target, dict(e.data->properties)});
    return py_list_from_edge_entries(std::move(entries));
}

PyRef neighbour_list(PyObject* self, const Args& a, NeighborKind kind) {
    SharedBorrow g(self);
    uint32_t n = node_or_key_error(g.graph(), text(a, 0));
    return py_list_from_strings(ids_of(g->store(), neighbor_slots(g->store(), n, kind)));
}

PyRef graph_successors(PyObject* self, const Args& a) { return neighbour_list(self, a, NeighborKind::Successors); }
PyRef graph_predecessors(PyObject* self, const Args& a) { return neighbour_list(self, a, NeighborKind::Predecessors); }
PyRef graph_neighbors(PyObject* self, const Args& a) { return neighbour_list(self, a, NeighborKind::All); }

PyRef graph_degree(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    return py_u64(ok_or_raise(g->degree(text(a, 0))));
}

PyRef graph_has_node(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    return py_bool(g->find_node(text(a, 0)).has_value());
}

PyRef graph_has_edge(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view source = text(a, 0);
    std::string_view target = text(a, 1);
    return py_bool(g->has_edge(source, target));
}

PyRef graph_n_nodes(PyObject* self) {
    SharedBorrow g(self);
    return py_u64(g->node_count());
}

PyRef graph_n_edges(PyObject* self) {
    SharedBorrow g(self);
    return py_u64(g->edge_count());
}

PyRef graph_is_directed(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->directed());
}

PyRef graph_is_multi(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->multi());
}

PyRef graph_name(PyObject* self) {
    SharedBorrow g(self);
    return py_str(g->name());
}

PyRef graph_is_dag(PyObject* self) {
    SharedBorrow g(self);
    if (!g->directed()) return py_bool(false);
    return py_bool(!has_directed_cycle(g->store()));
}

PyRef graph_is_connected(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->is_connected());
}

PyRef graph_is_tree(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(is_tree(g->store()));
}

PyMethodDef g_methods[] = {
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
    VG_NOARGS("is_connected($self)\n--\n\nWhether the graph is (weakly) connected.", graph_is_connected),
    VG_NOARGS("is_tree($self)\n--\n\nWhether the graph is a tree (connected, |E| = |V| - 1, acyclic).",
              graph_is_tree),
};

PyGetSetDef g_getters[] = {
    VG_GETTER("n_nodes", "Number of nodes.", graph_n_nodes),
    VG_GETTER("n_edges", "Number of edges.", graph_n_edges),
    VG_GETTER("is_directed", "Whether the graph is directed.", graph_is_directed),
    VG_GETTER("is_multi", "Whether the graph allows parallel edges (multi-graph).", graph_is_multi),
    VG_GETTER("name", "Graph name.", graph_name),
};

}  // namespace

ClassItems query_items() { return {g_methods, g_getters}; }

}  // namespace vg::py
