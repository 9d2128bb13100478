// Read-only PyGraph methods and properties.
#include <unordered_set>

#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_methods.hpp"

namespace vg::py {

PyRef graph_node(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    const NodeData* nd = g->get_node(str_param(a, 0));
    return nd ? properties_to_py_dict(nd->properties) : py_none();
}

PyRef graph_node_ids(PyObject* self) {
    SharedBorrow g(self);
    return py_list_from_strings(g->node_ids());
}

PyRef graph_edges(PyObject* self) {
    SharedBorrow g(self);
    std::vector<EdgeEntry> entries;
    entries.reserve(g->edge_count());
    for (const auto& e : g->edges()) entries.push_back({e.source, e.target, properties_to_py_dict(e.data->properties)});
    return py_list_from_edge_entries(std::move(entries));
}

namespace {

// Neighbour ids of a node by direction: 0 successors, 1 predecessors,
// 2 both (directed: successors then unseen predecessors).
PyRef neighbour_list(PyObject* self, const Args& a, int which) {
    SharedBorrow g(self);
    std::string_view id = str_param(a, 0);
    uint32_t n = node_or_key_error(g.graph(), id);
    const GraphInner& s = g->store();
    std::vector<std::string_view> out;
    auto push = [&](uint32_t, uint32_t other) { out.emplace_back(s.id_of(other)); };
    if (!s.is_directed()) {
        s.walk_undirected(n, push);
    } else if (which == 0) {
        s.walk_out(n, push);
    } else if (which == 1) {
        s.walk_in(n, push);
    } else {
        // Ids are unique, so "id already listed" is "slot already listed";
        // a set keeps hubs from going quadratic.
        std::unordered_set<uint32_t> listed;
        s.walk_out(n, [&](uint32_t, uint32_t t) {
            out.emplace_back(s.id_of(t));
            listed.insert(t);
        });
        s.walk_in(n, [&](uint32_t, uint32_t src) {
            if (listed.insert(src).second) out.emplace_back(s.id_of(src));
        });
    }
    return py_list_from_strings(out);
}

}  // namespace

PyRef graph_successors(PyObject* self, const Args& a) { return neighbour_list(self, a, 0); }
PyRef graph_predecessors(PyObject* self, const Args& a) { return neighbour_list(self, a, 1); }
PyRef graph_neighbors(PyObject* self, const Args& a) { return neighbour_list(self, a, 2); }

PyRef graph_degree(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    return py_u64(ok_or_raise(g->degree(str_param(a, 0))));
}

PyRef graph_has_node(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    return py_bool(g->find_node(str_param(a, 0)).has_value());
}

PyRef graph_has_edge(PyObject* self, const Args& a) {
    SharedBorrow g(self);
    std::string_view source = str_param(a, 0);
    std::string_view target = str_param(a, 1);
    return py_bool(g->has_edge(source, target));
}

PyRef graph_n_nodes(PyObject* self) {
    SharedBorrow g(self);
    return py_u64(g->node_count());
}

PyRef graph_n_edges(PyObject* self) {
    SharedBorrow g(self);
    return py_u64(g->edge_count());
}

PyRef graph_is_directed(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->directed());
}

PyRef graph_is_multi(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->multi());
}

PyRef graph_name(PyObject* self) {
    SharedBorrow g(self);
    return py_str(g->name());
}

PyRef graph_is_dag(PyObject* self) {
    SharedBorrow g(self);
    if (!g->directed()) return py_bool(false);
    return py_bool(!g->has_directed_cycle());
}

PyRef graph_is_connected(PyObject* self) {
    SharedBorrow g(self);
    return py_bool(g->is_connected());
}

PyRef graph_is_tree(PyObject* self) {
    SharedBorrow g(self);
    uint64_t n = g->node_count(), m = g->edge_count();
    if (n == 0) return py_bool(true);
    bool connected = g->is_connected();
    if (m != n - 1 || !connected) return py_bool(false);
    if (!g->directed()) return py_bool(true);
    if (g->has_directed_cycle()) return py_bool(false);
    const GraphInner& s = g->store();
    for (uint32_t v = 0; v < s.nodes.size(); ++v) {
        if (!s.nodes[v].data) continue;
        int incoming = 0;
        s.walk_in(v, [&](uint32_t, uint32_t) { ++incoming; });
        if (incoming > 1) return py_bool(false);
    }
    return py_bool(true);
}

}  // namespace vg::py
