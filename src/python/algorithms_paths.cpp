// Python-facing weighted path functions.
#include "../core/algorithms/algorithms.hpp"
#include "algorithms_bodies.hpp"
#include "algorithms_frame.hpp"

namespace vg::py::alg {

namespace {

PyRef cost_dict(const std::vector<NodeCost>& costs) {
    PyRef dict = PyRef::steal(PyDict_New());
    for (const NodeCost& c : costs) check(PyDict_SetItem(dict.get(), py_str(c.id).get(), py_f64(c.cost).get()));
    return dict;
}

// The (source, target, weight_key) functions: converted, then looked up.
struct PairQuery {
    uint32_t source;
    uint32_t target;
    std::optional<std::string_view> key;
};

PairQuery pair_query(const SharedBorrow& g, const Args& a) {
    std::string_view source = text(a, 1);
    std::string_view target = text(a, 2);
    std::optional<std::string_view> key = opt_text(a, 3);
    uint32_t s = node(g.graph(), source);
    return {s, node(g.graph(), target), key};
}

}  // namespace

PyRef shortest_paths_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    std::optional<std::string_view> target = opt_text(a, 2);
    std::optional<std::string_view> key = opt_text(a, 3);
    uint32_t s = node(g.graph(), source);
    std::optional<uint32_t> t;
    if (target) t = node(g.graph(), *target);
    return cost_dict(dijkstra_distances(g.graph(), s, t, key));
}

PyRef shortest_path_length_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    PairQuery q = pair_query(g, a);
    auto cost = vg::shortest_path_length(g.graph(), q.source, q.target, q.key);
    return cost ? py_f64(*cost) : py_none();
}

PyRef astar_path_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    PairQuery q = pair_query(g, a);
    auto found = ok_or_raise(vg::astar_path(g.graph(), q.source, q.target, q.key));
    if (!found) return py_none();
    const WeightedPath& p = *found;
    PyRef dict = PyRef::steal(PyDict_New());
    check(PyDict_SetItemString(dict.get(), "cost", py_f64(p.cost).get()));
    check(PyDict_SetItemString(dict.get(), "path", py_list_from_strings(p.path).get()));
    return dict;
}

PyRef bellman_ford_paths_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    std::optional<std::string_view> key = opt_text(a, 2);
    // This function reports a missing source as ValueError.
    uint32_t s = ok_or_raise(g->node_index(source), {{ErrorKind::NotFound, PyExc_ValueError}});
    return cost_dict(ok_or_raise(vg::bellman_ford_paths(g.graph(), s, key)));
}

}  // namespace vg::py::alg
