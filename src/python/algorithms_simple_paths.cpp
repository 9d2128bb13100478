// Python-facing simple path and cycle functions.
#include "../core/algorithms/simple_paths.hpp"
#include "algorithms_bodies.hpp"
#include "algorithms_frame.hpp"
#include "slot_groups.hpp"

namespace vg::py::alg {

PyRef all_simple_paths_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    std::string_view target = text(a, 2);
    uint64_t max_depth = count(a, 3, 32);
    uint64_t max_paths = count(a, 4, 10000);
    uint32_t s = node(g.graph(), source);
    uint32_t t = node(g.graph(), target);
    const GraphInner& store = g->inner;
    return py_list_from_slot_groups(store, vg::all_simple_paths(store, s, t, max_depth, max_paths));
}

PyRef find_cycles_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_list_from_slot_groups(g->inner, vg::find_cycles(g->inner));
}

PyRef find_cycle_paths_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return py_list_from_slot_groups(g->inner, vg::find_cycle_paths(g->inner));
}

}  // namespace vg::py::alg
