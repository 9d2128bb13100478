// Python-facing merge, diff and densification.
#include "../core/knowledge/knowledge.hpp"
#include "convert.hpp"
#include "knowledge_bodies.hpp"
#include "pygraph.hpp"

namespace vg::py::kn {

PyRef merge_graphs_fn(PyObject*, const Args& a) {
    SharedBorrow base = borrow_graph_arg(a[0], "base");
    SharedBorrow other = borrow_graph_arg(a[1], "other");
    std::string_view conflict = a.has(2) ? str_param(a, 2) : std::string_view("keep_latest");
    return wrap_graph(vg::merge_graphs(base.graph(), other.graph(), merge_policy(conflict)));
}

namespace {
void set_item(PyObject* dict, const char* key, PyRef&& value) {
    check(PyDict_SetItemString(dict, key, value.get()));
}
}  // namespace

PyRef diff_graphs_fn(PyObject*, const Args& a) {
    SharedBorrow old_graph = borrow_graph_arg(a[0], "old");
    SharedBorrow new_graph = borrow_graph_arg(a[1], "new");
    GraphDiff d = vg::diff_graphs(old_graph.graph(), new_graph.graph());
    PyRef dict = PyRef::steal(PyDict_New());
    set_item(dict.get(), "added_nodes", py_list_from_strings(d.added_nodes));
    set_item(dict.get(), "removed_nodes", py_list_from_strings(d.removed_nodes));
    set_item(dict.get(), "added_edges", py_list_from_string_pairs(d.added_edges));
    set_item(dict.get(), "removed_edges", py_list_from_string_pairs(d.removed_edges));
    set_item(dict.get(), "changed_node_properties", py_list_from_strings(d.changed_node_properties));
    return dict;
}

namespace {
PyRef densify_common(const Args& a) {
    SharedBorrow g = borrow_graph_arg(a[0], "graph");
    std::string_view predicate = str_param(a, 1);
    return wrap_graph(transitive_densify(g.graph(), predicate));
}
}  // namespace

PyRef infer_types_fn(PyObject*, const Args& a) { return densify_common(a); }
PyRef densify_fn(PyObject*, const Args& a) { return densify_common(a); }

}  // namespace vg::py::kn
