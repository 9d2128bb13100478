// Python-facing simple path and cycle functions.
#include "core/algorithms/simple_paths.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"
#include "python/algorithms/slot_groups.hpp"

namespace vg::py::alg {

namespace {

PyRef all_simple_paths_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view source = text(a, 1);
    std::string_view target = text(a, 2);
    uint64_t max_depth = count(a, 3, 32);
    uint64_t max_paths = count(a, 4, 10000);
    uint32_t s = node(g.graph(), source);
    uint32_t t = node(g.graph(), target);
    const GraphInner& store = g->store();
    return py_list_from_slot_groups(store, vg::all_simple_paths(store, s, t, max_depth, max_paths));
}

PyRef find_cycles_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_slot_groups(g->store(), vg::find_cycles(g->store()));
}

PyRef find_cycle_paths_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_slot_groups(g->store(), vg::find_cycle_paths(g->store()));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("all_simple_paths(graph, source, target, max_depth=32, max_paths=10000)\n--\n\n"
                "All simple (non-repeating) paths from source to target.\n\n"
                "`max_depth` limits the total path length in nodes. `max_paths` is applied to\n"
                "the enumeration itself: it stops once that many paths are found.",
                all_simple_paths_body),
    VG_FUNCTION("find_cycles(graph)\n--\n\nFind all cycles in the graph (SCC-based). Returns list of node-ID lists.",
                find_cycles_body),
    VG_FUNCTION("find_cycle_paths(graph)\n--\n\n"
                "Find one representative cycle path per SCC. Returns list of ordered cycle paths.",
                find_cycle_paths_body),
};

}  // namespace

Family simple_paths_family() { return g_table; }

}  // namespace vg::py::alg
