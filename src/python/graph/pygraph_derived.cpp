// PyGraph methods that build new graphs from the held one, and the
// property filters.
#include "core/graph/derived.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_methods.hpp"

namespace vg::py {

namespace {

PyRef subgraph_or_value_error(const PropertyGraph& g, const std::vector<std::string_view>& ids) {
    return wrap_graph(ok_or_raise(g.subgraph(ids), {{ErrorKind::NotFound, PyExc_ValueError}}));
}

}  // namespace

PyRef graph_nodes_filtered(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view key = text(a, 0);
    Value value = value_from_py(a[1]);
    std::vector<std::string> ids = nodes_with_property(g.graph(), key, value);
    return py_list_from_strings(std::vector<std::string_view>(ids.begin(), ids.end()));
}

PyRef graph_edges_filtered(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view key = text(a, 0);
    Value value = value_from_py(a[1]);
    std::vector<EdgeEntry> entries;
    for (const auto& e : edges_with_property(g.graph(), key, value))
        entries.push_back({e.source, e.target, properties_to_py_dict(e.data->properties)});
    return py_list_from_edge_entries(std::move(entries));
}

PyRef graph_subgraph(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    StrVec ids = text_list(a, 0);
    return subgraph_or_value_error(g.graph(), ids.views);
}

PyRef graph_ego_graph(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view center = text(a, 0);
    uint64_t radius = count(a, 1);
    auto ids = ok_or_raise(ego_node_ids(g.graph(), center, radius), {{ErrorKind::NotFound, PyExc_ValueError}});
    return subgraph_or_value_error(g.graph(), ids);
}

PyRef graph_reverse(PyObject* self) {
    SharedBorrow g(self);
    return wrap_graph(reverse_graph(g.graph()));
}

PyRef graph_to_undirected(PyObject* self) {
    SharedBorrow g(self);
    return wrap_graph(undirected_copy(g.graph()));
}

}  // namespace vg::py
