// PyGraph methods that change the graph. Each holds the exclusive borrow
// from before its first conversion until it returns.
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_class.hpp"

namespace vg::py {

namespace {

// Optional properties dict: absent or None is the empty map.
Properties props_arg(const Args& a, size_t i) {
    PyObject* d = a.optional(i);
    if (!d) return Properties();
    converted(a, i, [](PyObject* obj) {
        if (!PyDict_Check(obj)) raise_not_instance(obj, "dict");
    });
    return properties_from_py_dict(d);  // content errors carry no note
}

PyRef graph_add_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = text(a, 0);
    Properties props = props_arg(a, 1);
    ok_or_raise(g->add_node(id, std::move(props)));
    return py_none();
}

PyRef graph_add_edge(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view source = text(a, 0);
    std::string_view target = text(a, 1);
    Properties props = props_arg(a, 2);
    // A missing endpoint refuses the addition: ValueError, as for a duplicate.
    ok_or_raise(g->add_edge(source, target, std::move(props)), {{ErrorKind::NotFound, PyExc_ValueError}});
    return py_none();
}

PyRef graph_remove_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = text(a, 0);
    // The dict comes first: should it run out of memory, the node is still
    // there, rather than gone with properties that nobody got back.
    const uint32_t slot = node_or_key_error(g.graph(), id);
    PyRef properties = properties_to_py_dict(g->store().node(slot).properties);
    ok_or_raise(g->remove_node(id));
    return properties;
}

PyRef graph_remove_edge(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view source = text(a, 0);
    std::string_view target = text(a, 1);
    ok_or_raise(g->remove_edge(source, target));
    return py_none();
}

PyRef graph_update_node(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = text(a, 0);
    Properties props = props_arg(a, 1);
    ok_or_raise(g->update_node(id, props));
    return py_none();
}

PyRef graph_set_node_property(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string_view id = text(a, 0);
    std::string_view key = text(a, 1);
    Value value = value_from_py(a[2]);
    ok_or_raise(g->set_node_property(id, std::string(key), std::move(value)));
    return py_none();
}

PyMethodDef g_methods[] = {
    VG_METHOD("add_node($self, id, properties=None)\n--\n\nAdd a node with the given ID and optional properties dict.",
              graph_add_node),
    VG_METHOD("add_edge($self, source, target, properties=None)\n--\n\n"
              "Add an edge from source to target with optional properties dict.",
              graph_add_edge),
    VG_METHOD("remove_node($self, id)\n--\n\nRemove a node and all its incident edges. Returns the node's properties.",
              graph_remove_node),
    VG_METHOD("remove_edge($self, source, target)\n--\n\nRemove an edge from source to target.", graph_remove_edge),
    VG_METHOD("update_node($self, id, properties=None)\n--\n\n"
              "Merge properties into an existing node. Existing properties are\n"
              "preserved unless overwritten by the new values.",
              graph_update_node),
    VG_METHOD("set_node_property($self, id, key, value)\n--\n\nSet a single property on an existing node.",
              graph_set_node_property),
};

}  // namespace

ClassItems mutator_items() { return {g_methods, {}}; }

}  // namespace vg::py
