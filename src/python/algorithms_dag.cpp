// Python-facing DAG functions: topological order, longest path,
// ancestors, descendants and the transitive closure.
#include "../core/algorithms/dag.hpp"
#include "algorithms_bodies.hpp"
#include "algorithms_frame.hpp"

namespace vg::py::alg {

PyRef topological_sort_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    auto order = vg::topological_order(g.graph());
    if (!order) raise(PyExc_ValueError, order.error());
    return py_list_from_strings(order.value());
}

PyRef ancestors_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view id = text(a, 1);
    return py_list_from_strings(vg::ancestors(g.graph(), node(g.graph(), id)));
}

PyRef descendants_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view id = text(a, 1);
    return py_list_from_strings(vg::descendants(g.graph(), node(g.graph(), id)));
}

PyRef longest_path_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    auto found = vg::longest_path(g.graph());
    if (!found) raise(PyExc_ValueError, found.error());
    PyRef dict = PyRef::steal(PyDict_New());
    check(PyDict_SetItemString(dict.get(), "length", py_u64(found.value().length).get()));
    check(PyDict_SetItemString(dict.get(), "path", py_list_from_strings(found.value().path).get()));
    return dict;
}

PyRef transitive_closure_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return wrap_graph(vg::transitive_closure(g.graph()));
}

}  // namespace vg::py::alg
