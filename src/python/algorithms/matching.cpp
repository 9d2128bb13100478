// Python-facing matchings and their table.
#include "core/algorithms/matching.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"
#include "python/interrupt_hook.hpp"

namespace vg::py::alg {

namespace {

// A matching names each node at most once, so each id's str is made where
// it is used, with no table to share it; the pairs' records are asked for
// a few pairs ahead, as partners lie anywhere in the store.
PyRef matched_pairs(const GraphInner& s, const vg::NodePairs& pairs) {
    const size_t n = pairs.size();
    ListBuilder out(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + kTextLookahead < n) {
            s.prefetch_node(pairs[i + kTextLookahead].first);
            s.prefetch_node(pairs[i + kTextLookahead].second);
        }
        out.set(i, untracked(py_tuple2(py_str(s.id_of(pairs[i].first)), py_str(s.id_of(pairs[i].second)))));
    }
    return out.take();
}

PyRef greedy_matching_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return matched_pairs(g->store(), vg::greedy_matching(g.graph()));
}

PyRef maximum_matching_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    vg::NodePairs pairs = interruptible([&](const Interrupt* hook) { return vg::maximum_matching(g.graph(), hook); });
    return matched_pairs(g->store(), pairs);
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
