// Python-facing community detection functions and their table.
#include "core/algorithms/label_propagation.hpp"
#include "core/algorithms/louvain.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

constexpr Body louvain_communities_body = graph_body<vg::louvain_core, py_list_from_string_lists>;
constexpr Body label_propagation_body = graph_body<vg::label_propagation, py_list_from_string_lists>;

PyMethodDef g_table[] = {
    VG_FUNCTION("louvain_communities(graph)\n--\n\n"
                "Louvain community detection. Returns list of communities (each is a list of node IDs).",
                louvain_communities_body),
    VG_FUNCTION("label_propagation(graph)\n--\n\n"
                "Label propagation community detection. Returns list of communities (each is a list of node IDs).",
                label_propagation_body),
};

}  // namespace

Family community_family() { return g_table; }

}  // namespace vg::py::alg
