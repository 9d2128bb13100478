// Python-facing centrality functions and their table.
#include "core/algorithms/centrality.hpp"
#include "core/algorithms/path_centrality.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

PyRef pagerank_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    double damping = real(a, 1, 0.85);
    uint64_t iterations = count(a, 2, 100);
    return py_list_from_scored_nodes(vg::pagerank(g.graph(), damping, iterations));
}

constexpr Body degree_centrality_body = graph_body<vg::degree_centrality_scores, py_list_from_scored_nodes>;
constexpr Body in_degree_centrality_body = graph_body<vg::in_degree_centrality, py_list_from_scored_nodes>;
constexpr Body out_degree_centrality_body = graph_body<vg::out_degree_centrality, py_list_from_scored_nodes>;

PyRef betweenness_centrality_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    bool normalized = flag(a, 1, true);
    return py_list_from_scored_nodes(vg::betweenness_centrality(g.graph(), normalized));
}

constexpr Body closeness_centrality_body = graph_body<vg::closeness_centrality, py_list_from_scored_nodes>;

PyRef eigenvector_centrality_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    uint64_t iterations = count(a, 1, 100);
    double tolerance = real(a, 2, 1e-6);
    return py_list_from_scored_nodes(vg::eigenvector_centrality(g.graph(), iterations, tolerance));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("pagerank(graph, damping_factor=0.85, iterations=100)\n--\n\n"
                "PageRank centrality. Returns list of (node_id, rank) tuples sorted by rank descending.",
                pagerank_body),
    VG_FUNCTION("degree_centrality(graph)\n--\n\n"
                "Degree centrality. Returns list of (node_id, centrality) sorted descending.",
                degree_centrality_body),
    VG_FUNCTION("in_degree_centrality(graph)\n--\n\n"
                "In-degree centrality. Returns list of (node_id, centrality) sorted descending.",
                in_degree_centrality_body),
    VG_FUNCTION("out_degree_centrality(graph)\n--\n\n"
                "Out-degree centrality. Returns list of (node_id, centrality) sorted descending.",
                out_degree_centrality_body),
    VG_FUNCTION("betweenness_centrality(graph, normalized=True)\n--\n\n"
                "Betweenness centrality (Brandes algorithm). Returns list of (node_id, centrality) sorted descending.",
                betweenness_centrality_body),
    VG_FUNCTION("closeness_centrality(graph)\n--\n\n"
                "Closeness centrality (Wasserman-Faust). Returns list of (node_id, centrality) sorted descending.",
                closeness_centrality_body),
    VG_FUNCTION("eigenvector_centrality(graph, iterations=100, tolerance=1e-6)\n--\n\n"
                "Eigenvector centrality (power iteration). Returns list of (node_id, centrality) sorted descending.",
                eigenvector_centrality_body),
};

}  // namespace

Family centrality_family() { return g_table; }

}  // namespace vg::py::alg
