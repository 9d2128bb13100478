// Read-only PyGraph methods and properties.
#include "core/graph/predicates.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_methods.hpp"

namespace vg::py {

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
    for (const auto& e : g->edges()) entries.push_back({e.source, e.target, properties_to_py_dict(e.data->properties)});
    return py_list_from_edge_entries(std::move(entries));
}

namespace {

PyRef neighbour_list(PyObject* self, const Args& a, NeighborKind kind) {
    SharedBorrow g(self);
    uint32_t n = node_or_key_error(g.graph(), text(a, 0));
    return py_list_from_strings(ids_of(g->store(), neighbor_slots(g->store(), n, kind)));
}

}  // namespace

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

}  // namespace vg::py
