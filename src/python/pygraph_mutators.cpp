// PyGraph methods that change the graph. Each holds the exclusive borrow
// from before its first conversion until it returns.
#include "convert.hpp"
#include "pygraph.hpp"
#include "pygraph_methods.hpp"

namespace vg::py {

namespace {

// Optional properties dict: absent or None is the empty map.
Properties props_arg(const Args& a, size_t i) {
    PyObject* d = a.optional(i);
    if (!d) return Properties();
    noted(a.name(i), [&] {
        if (!PyDict_Check(d)) raise_not_instance(d, "dict");
        return 0;
    });
    return properties_from_py_dict(d);  // content errors carry no note
}

// The live node of an id, or the two KeyErrors of the updaters.
NodeData& node_for_update(PropertyGraph& g, std::string_view id) {
    auto n = g.find_node(id);
    if (!n) raise(PyExc_KeyError, "Node '" + std::string(id) + "' not found");
    if (!g.inner.node_live(*n)) raise(PyExc_KeyError, "Node '" + std::string(id) + "' not found in graph");
    return *g.inner.nodes[*n].weight;
}

}  // namespace

PyRef graph_add_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = str_param(a, 0);
    Properties props = props_arg(a, 1);
    auto r = g->add_node(id, std::move(props));
    if (!r) raise(PyExc_ValueError, r.error());
    return py_none();
}

PyRef graph_add_edge(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view source = str_param(a, 0);
    std::string_view target = str_param(a, 1);
    Properties props = props_arg(a, 2);
    auto r = g->add_edge(source, target, std::move(props));
    if (!r) raise(PyExc_ValueError, r.error());
    return py_none();
}

PyRef graph_remove_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = str_param(a, 0);
    auto it = g->id_index.find(id);
    if (it == g->id_index.end()) raise(PyExc_KeyError, "Node '" + std::string(id) + "' not found");
    uint32_t slot = it->second;
    g->id_index.erase(it);
    auto removed = g->inner.remove_node(slot);
    if (!removed) raise(PyExc_KeyError, "Node '" + std::string(id) + "' not found in graph");
    return properties_to_py_dict(removed->properties);
}

PyRef graph_remove_edge(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view source = str_param(a, 0);
    std::string_view target = str_param(a, 1);
    auto s = g->find_node(source);
    if (!s) raise(PyExc_KeyError, "Source node '" + std::string(source) + "' not found");
    auto t = g->find_node(target);
    if (!t) raise(PyExc_KeyError, "Target node '" + std::string(target) + "' not found");
    auto e = g->inner.find_edge(*s, *t);
    if (!e) raise(PyExc_KeyError, "Edge '" + std::string(source) + "' -> '" + std::string(target) + "' not found");
    g->inner.remove_edge(*e);
    return py_none();
}

PyRef graph_update_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = str_param(a, 0);
    Properties props = props_arg(a, 1);
    NodeData& node = node_for_update(g.graph(), id);
    for (const auto& [key, value] : props) node.properties.insert_or_assign(key, value);
    return py_none();
}

PyRef graph_set_node_property(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = str_param(a, 0);
    std::string_view key = str_param(a, 1);
    Value value = value_from_py(a[2]);
    NodeData& node = node_for_update(g.graph(), id);
    node.properties.insert_or_assign(std::string(key), std::move(value));
    return py_none();
}

}  // namespace vg::py
