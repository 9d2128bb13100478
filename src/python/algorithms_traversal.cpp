// Python-facing traversal functions.
#include "../core/algorithms/algorithms.hpp"
#include "algorithms_bodies.hpp"
#include "algorithms_frame.hpp"

namespace vg::py::alg {

PyRef bfs_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    return py_list_from_strings(vg::bfs(g.graph(), node(g.graph(), source)));
}

PyRef dfs_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    return py_list_from_strings(vg::dfs(g.graph(), node(g.graph(), source)));
}

PyRef dfs_events_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    for (const DfsEvent& e : vg::dfs_events(g.graph(), node(g.graph(), source)))
        pairs.emplace_back(e.id, dfs_event_name(e.kind));
    return py_list_from_string_pairs(pairs);
}

PyRef bfs_with_depth_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    auto entries = vg::bfs_with_depth(g.graph(), node(g.graph(), source));
    ListBuilder list(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) list.set(i, py_tuple2(py_str(entries[i].id), py_u64(entries[i].depth)));
    return list.take();
}

PyRef bfs_at_depth_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    uint64_t depth = count(a, 2);
    return py_list_from_strings(vg::bfs_at_depth(g.graph(), node(g.graph(), source), depth));
}

PyRef has_path_fn(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    std::string_view source = text(a, 1);
    std::string_view target = text(a, 2);
    uint32_t s = node(g.graph(), source);
    uint32_t t = node(g.graph(), target);
    return py_bool(vg::has_path(g.graph(), s, t));
}

}  // namespace vg::py::alg
