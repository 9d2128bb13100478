// Python-facing weighted path functions and their table.
#include "core/algorithms/paths.hpp"
#include "core/support/prefetch.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

PyRef cost_dict(const std::vector<NodeCost>& costs) {
    PyRef dict = PyRef::steal(PyDict_New());
    for (size_t i = 0; i < costs.size(); ++i) {
        if (i + kTextLookahead < costs.size()) vg::prefetch_read(costs[i + kTextLookahead].id.data());
        check(PyDict_SetItem(dict.get(), py_str(costs[i].id).get(), py_f64(costs[i].cost).get()));
    }
    return dict;
}

// The (source, target, weight_key) functions: converted, then looked up.
struct PairQuery {
    uint32_t source;
    uint32_t target;
    std::optional<std::string_view> key;
};

PairQuery pair_query(const SourceArgs& s, const Args& a) {
    std::string_view target = text(a, 2);
    std::optional<std::string_view> key = opt_text(a, 3);
    uint32_t from = s.source();
    return {from, node(s.graph(), target), key};
}

PyRef shortest_paths_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    std::optional<std::string_view> target = opt_text(a, 2);
    std::optional<std::string_view> key = opt_text(a, 3);
    uint32_t from = s.source();
    std::optional<uint32_t> to;
    if (target) to = node(s.graph(), *target);
    return cost_dict(dijkstra_distances(s.graph(), from, to, key));
}

PyRef shortest_path_length_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    PairQuery q = pair_query(s, a);
    auto cost = vg::shortest_path_length(s.graph(), q.source, q.target, q.key);
    return cost ? py_f64(*cost) : py_none();
}

PyRef astar_path_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    PairQuery q = pair_query(s, a);
    auto found = ok_or_raise(vg::astar_path(s.graph(), q.source, q.target, q.key));
    if (!found) return py_none();
    PyRef dict = PyRef::steal(PyDict_New());
    check(PyDict_SetItemString(dict.get(), "cost", py_f64(found->cost).get()));
    check(PyDict_SetItemString(dict.get(), "path", py_list_from_strings(found->path).get()));
    return dict;
}

PyRef bellman_ford_paths_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view source = text(a, 1);
    std::optional<std::string_view> key = opt_text(a, 2);
    // This function reports a missing source as ValueError.
    uint32_t from = ok_or_raise(g->node_index(source), {{ErrorKind::NotFound, PyExc_ValueError}});
    return cost_dict(ok_or_raise(vg::bellman_ford_paths(g.graph(), from, key)));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("shortest_paths(graph, source, target=None, weight_key=None)\n--\n\n"
                "Single-source shortest paths via Dijkstra. Returns dict of {node_id: cost}.",
                shortest_paths_body),
    VG_FUNCTION("shortest_path_length(graph, source, target, weight_key=None)\n--\n\n"
                "Shortest path distance between two nodes. Returns float or None.",
                shortest_path_length_body),
    VG_FUNCTION("astar_path(graph, source, target, weight_key=None)\n--\n\n"
                "A* shortest path. Returns dict with \"cost\" and \"path\" keys, or None.",
                astar_path_body),
    VG_FUNCTION("bellman_ford_paths(graph, source, weight_key=None)\n--\n\n"
                "Bellman-Ford shortest paths. Returns dict of {node_id: cost}.\n"
                "Supports negative weights. Raises ValueError on negative cycle.",
                bellman_ford_paths_body),
};

}  // namespace

Family paths_family() { return g_table; }

}  // namespace vg::py::alg
