// Python-facing structural tests (bridges, cut vertices, bipartiteness,
// density) and their table.
#include "../core/algorithms/structure.hpp"
#include "algorithms_families.hpp"
#include "algorithms_frame.hpp"

namespace vg::py::alg {

namespace {

PyRef bridges_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_list_from_string_pairs(vg::bridges(g.graph()));
}

PyRef density_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_f64(vg::density(g.graph()));
}

PyRef is_bipartite_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_bool(vg::is_bipartite(g.graph()));
}

PyRef articulation_points_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_list_from_strings(vg::articulation_points(g.graph()));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("bridges(graph)\n--\n\nFind bridge edges. Returns list of (source, target) tuples.", bridges_body),
    VG_FUNCTION("density(graph)\n--\n\nGraph density.", density_body),
    VG_FUNCTION("is_bipartite(graph)\n--\n\nCheck if the graph is bipartite (2-colorable).", is_bipartite_body),
    VG_FUNCTION("articulation_points(graph)\n--\n\nArticulation points (cut vertices). Returns list of node IDs.",
                articulation_points_body),
};

}  // namespace

Family structure_family() { return g_table; }

}  // namespace vg::py::alg
