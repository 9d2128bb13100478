// Python-facing structural tests (bridges, cut vertices, bipartiteness,
// density) and their table.
#include "core/algorithms/structure.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

constexpr Body bridges_body = graph_body<vg::bridges, py_list_from_string_pairs>;
constexpr Body density_body = graph_body<vg::density, py_f64>;
constexpr Body is_bipartite_body = graph_body<vg::is_bipartite, py_bool>;
constexpr Body articulation_points_body = graph_body<vg::articulation_points, py_list_from_strings>;

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
