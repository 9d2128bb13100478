// Python-facing DAG functions: topological order, longest path,
// ancestors, descendants and the transitive closure.
#include "core/algorithms/dag.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

PyRef topological_sort_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_strings(ok_or_raise(vg::topological_order(g.graph())));
}

PyRef ancestors_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view id = text(a, 1);
    return py_list_from_strings(vg::ancestors(g.graph(), node(g.graph(), id)));
}

PyRef descendants_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view id = text(a, 1);
    return py_list_from_strings(vg::descendants(g.graph(), node(g.graph(), id)));
}

PyRef longest_path_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    LongestPath found = ok_or_raise(vg::longest_path(g.graph()));
    PyRef dict = PyRef::steal(PyDict_New());
    check(PyDict_SetItemString(dict.get(), "length", py_u64(found.length).get()));
    check(PyDict_SetItemString(dict.get(), "path", py_list_from_strings(found.path).get()));
    return dict;
}

constexpr Body transitive_closure_body = graph_body<vg::transitive_closure, wrap_graph>;

PyMethodDef g_table[] = {
    VG_FUNCTION("topological_sort(graph)\n--\n\nTopological sort. Returns node IDs in topological order.\n"
                "Raises ValueError if graph has cycles.",
                topological_sort_body),
    VG_FUNCTION("ancestors(graph, id)\n--\n\nAll ancestors of a node (nodes that can reach it).",
                ancestors_body),
    VG_FUNCTION("descendants(graph, id)\n--\n\nAll descendants of a node (nodes reachable from it).",
                descendants_body),
    VG_FUNCTION("longest_path(graph)\n--\n\nLongest path in a DAG. Returns dict with \"length\" and \"path\" keys.",
                longest_path_body),
    VG_FUNCTION("transitive_closure(graph)\n--\n\n"
                "Transitive closure: add edge (u,v) for every pair where v is reachable from u.\n"
                "Returns a new graph with all transitive edges added.",
                transitive_closure_body),
};

}  // namespace

Family dag_family() { return g_table; }

}  // namespace vg::py::alg
