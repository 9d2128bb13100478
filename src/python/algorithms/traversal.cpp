// Python-facing traversal functions and their table.
#include "core/algorithms/traversal.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"

namespace vg::py::alg {

namespace {

PyRef bfs_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    return py_list_from_strings(vg::bfs(s.graph(), s.source()));
}

PyRef dfs_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    return py_list_from_strings(vg::dfs(s.graph(), s.source()));
}

PyRef dfs_events_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    for (const DfsEvent& e : vg::dfs_events(s.graph(), s.source())) pairs.emplace_back(e.id, dfs_event_name(e.kind));
    return py_list_from_string_pairs(pairs);
}

PyRef bfs_with_depth_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    auto entries = vg::bfs_with_depth(s.graph(), s.source());
    ListBuilder list(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) list.set(i, py_tuple2(py_str(entries[i].id), py_u64(entries[i].depth)));
    return list.take();
}

PyRef bfs_at_depth_body(PyObject*, const Args& a) {
    SourceArgs s(a);
    uint64_t depth = count(a, 2);
    return py_list_from_strings(vg::bfs_at_depth(s.graph(), s.source(), depth));
}

PyRef has_path_body(PyObject*, const Args& a) {
    SourceArgs s(a);                       // graph borrowed, `source` read
    std::string_view target = text(a, 2);  // convert everything first...
    uint32_t from = s.source();            // ...then look the ids up
    return py_bool(vg::has_path(s.graph(), from, node(s.graph(), target)));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("bfs(graph, source)\n--\n\nBFS traversal from a source node. Returns node IDs in BFS order.", bfs_body),
    VG_FUNCTION("dfs(graph, source)\n--\n\nDFS traversal from a source node. Returns node IDs in DFS (preorder).",
                dfs_body),
    VG_FUNCTION("dfs_events(graph, source)\n--\n\nDFS with enter/exit events. Returns (node_id, event_str) pairs.\n"
                "event_str is \"enter\" or \"exit\".",
                dfs_events_body),
    VG_FUNCTION("bfs_with_depth(graph, source)\n--\n\nBFS returning (node_id, depth) pairs.", bfs_with_depth_body),
    VG_FUNCTION("bfs_at_depth(graph, source, depth)\n--\n\nBFS returning only nodes at a specific depth.",
                bfs_at_depth_body),
    VG_FUNCTION("has_path(graph, source, target)\n--\n\nCheck if a path exists between two nodes.", has_path_body),
};

}  // namespace

Family traversal_family() { return g_table; }

}  // namespace vg::py::alg
