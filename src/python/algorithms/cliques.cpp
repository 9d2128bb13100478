// Python-facing clique functions and their table.
#include "core/algorithms/cliques.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"
#include "python/interrupt_hook.hpp"

namespace vg::py::alg {

namespace {

PyRef maximal_cliques_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    uint64_t max_input_nodes = count(a, 1, 1000);
    uint64_t max_cliques = count(a, 2, 10000);
    return py_list_from_string_lists(ok_or_raise(interruptible([&](const Interrupt* hook) {
        return vg::maximal_cliques(g.graph(), max_input_nodes, max_cliques, hook);
    })));
}

PyRef k_clique_communities_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    uint64_t k = count(a, 1);
    return py_list_from_string_lists(
        interruptible([&](const Interrupt* hook) { return vg::k_clique_communities(g.graph(), k, hook); }));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("maximal_cliques(graph, max_input_nodes=1000, max_cliques=10000)\n--\n\n"
                "Maximal cliques (Bron-Kerbosch). Returns list of cliques (each is a list\n"
                "of node IDs).\n"
                "\n"
                "Bron-Kerbosch's worst case is 3^(N/3) cliques on Tur\u00e1n graphs, so the\n"
                "algorithm is exponential in node count. Audit follow-up #2: an upfront\n"
                "``max_input_nodes`` gate refuses oversized inputs at entry rather than\n"
                "truncating after the fact; ``max_cliques`` is the second guard on the\n"
                "returned list.",
                maximal_cliques_body),
    VG_FUNCTION("k_clique_communities(graph, k)\n--\n\n"
                "k-clique communities. Returns list of communities (each is a list of node IDs).",
                k_clique_communities_body),
};

}  // namespace

Family cliques_family() { return g_table; }

}  // namespace vg::py::alg
