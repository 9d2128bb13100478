// Bodies of PyGraph's methods, grouped by concern in their own sources and
// gathered into the class item table in its fixed order.
#pragma once
#include "python/args.hpp"

namespace vg::py {

PyMethodDef* pygraph_methods();
PyGetSetDef* pygraph_getset();

// Mutators.
PyRef graph_add_node(PyObject* self, const Args& a);
PyRef graph_add_edge(PyObject* self, const Args& a);
PyRef graph_remove_node(PyObject* self, const Args& a);
PyRef graph_remove_edge(PyObject* self, const Args& a);
PyRef graph_update_node(PyObject* self, const Args& a);
PyRef graph_set_node_property(PyObject* self, const Args& a);

// Queries.
PyRef graph_node(PyObject* self, const Args& a);
PyRef graph_node_ids(PyObject* self);
PyRef graph_edges(PyObject* self);
PyRef graph_successors(PyObject* self, const Args& a);
PyRef graph_predecessors(PyObject* self, const Args& a);
PyRef graph_neighbors(PyObject* self, const Args& a);
PyRef graph_degree(PyObject* self, const Args& a);
PyRef graph_has_node(PyObject* self, const Args& a);
PyRef graph_has_edge(PyObject* self, const Args& a);
PyRef graph_n_nodes(PyObject* self);
PyRef graph_n_edges(PyObject* self);
PyRef graph_is_directed(PyObject* self);
PyRef graph_is_multi(PyObject* self);
PyRef graph_name(PyObject* self);
PyRef graph_is_dag(PyObject* self);
PyRef graph_is_connected(PyObject* self);
PyRef graph_is_tree(PyObject* self);

// Graph JSON and pickling.
PyRef graph_to_json(PyObject* self);
PyRef graph_from_json(PyObject* self, const Args& a);
PyRef graph_getstate(PyObject* self);
PyRef graph_setstate(PyObject* self, const Args& a);

// Derived graphs and filters.
PyRef graph_nodes_filtered(PyObject* self, const Args& a);
PyRef graph_edges_filtered(PyObject* self, const Args& a);
PyRef graph_subgraph(PyObject* self, const Args& a);
PyRef graph_ego_graph(PyObject* self, const Args& a);
PyRef graph_reverse(PyObject* self);
PyRef graph_to_undirected(PyObject* self);

}  // namespace vg::py
