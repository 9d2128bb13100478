// PyGraph methods that build new graphs from the held one, and the
// property filters.
#include "core/graph/derived.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_class.hpp"

namespace vg::py {

namespace {

PyRef subgraph_or_value_error(const PropertyGraph& g, const std::vector<std::string_view>& ids) {
    return wrap_graph(ok_or_raise(g.subgraph(ids), {{ErrorKind::NotFound, PyExc_ValueError}}));
}

PyRef graph_nodes_filtered(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view key = text(a, 0);
    Value value = value_from_py(a[1]);
    return py_list_from_strings(nodes_with_property(g.graph(), key, value));
}

PyRef graph_edges_filtered(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view key = text(a, 0);
    Value value = value_from_py(a[1]);
    std::vector<EdgeEntry> entries;
    PropertyDicts dict;
    for (const auto& e : edges_with_property(g.graph(), key, value))
        entries.push_back({e.source, e.target, dict(e.data->properties)});
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

PyMethodDef g_methods[] = {
    VG_METHOD("nodes_filtered($self, key, value)\n--\n\nReturn node IDs where the property `key` equals `value`.",
              graph_nodes_filtered),
    VG_METHOD("edges_filtered($self, key, value)\n--\n\nReturn edges where the property `key` equals `value`.\n"
              "Each entry is (source, target, properties_dict).",
              graph_edges_filtered),
    VG_METHOD("subgraph($self, node_ids)\n--\n\n"
              "Extract a subgraph containing only the specified node IDs and edges between them.",
              graph_subgraph),
    VG_METHOD("ego_graph($self, center, radius)\n--\n\n"
              "Extract the ego graph: all nodes within `radius` hops of `center`, plus their edges.",
              graph_ego_graph),
    VG_NOARGS("reverse($self)\n--\n\nReturn a new graph with all edge directions reversed.", graph_reverse),
    VG_NOARGS("to_undirected($self)\n--\n\nConvert to an undirected graph (add reverse edges where missing).",
              graph_to_undirected),
};

}  // namespace

ClassItems derived_items() { return {g_methods, {}}; }

}  // namespace vg::py
