// Python-facing matchings and their table.
#include "core/algorithms/matching.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"
#include "python/interrupt_hook.hpp"
#include "python/slot_strs.hpp"

namespace vg::py::alg {

namespace {

PyRef greedy_matching_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return SlotStrs(g->store()).pair_list(vg::greedy_matching(g.graph()));
}

PyRef maximum_matching_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    vg::NodePairs pairs = interruptible([&](const Interrupt* hook) { return vg::maximum_matching(g.graph(), hook); });
    return SlotStrs(g->store()).pair_list(pairs);
}

PyMethodDef g_table[] = {
    VG_FUNCTION("greedy_matching(graph)\n--\n\nGreedy matching. Returns list of (node_a, node_b) pairs.",
                greedy_matching_body),
    VG_FUNCTION("maximum_matching(graph)\n--\n\nMaximum matching (Gabow). Returns list of (node_a, node_b) pairs.",
                maximum_matching_body),
};

}  // namespace

Family matching_family() { return g_table; }

}  // namespace vg::py::alg
