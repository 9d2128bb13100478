// Python-facing component functions and the condensation.
#include "core/algorithms/components.hpp"
#include "python/algorithms/families.hpp"
#include "python/algorithms/frame.hpp"
#include "python/algorithms/slot_groups.hpp"

namespace vg::py::alg {

namespace {

// A 0..2^32-1 endpoint read as a signed 64-bit integer first.
uint32_t edge_endpoint(PyObject* obj) {
    long long v = PyLong_AsLongLong(obj);
    if (v == -1 && PyErr_Occurred()) throw_error_set();
    if (v < 0 || v > 0xFFFFFFFFLL) raise(PyExc_OverflowError, "out of range integral type conversion attempted");
    return uint32_t(v);
}

// A sequence (not a str) of 2-tuples of node numbers.
std::vector<std::pair<uint32_t, uint32_t>> edge_pairs(PyObject* obj) {
    require_sequence(obj);
    std::vector<std::pair<uint32_t, uint32_t>> out;
    PyRef it = PyRef::steal(PyObject_GetIter(obj));
    while (PyObject* raw = PyIter_Next(it.get())) {
        PyRef item = PyRef::steal(raw);
        if (!PyTuple_Check(item.get())) raise_not_instance(item.get(), "tuple");
        Py_ssize_t len = PyTuple_Size(item.get());
        if (len != 2)
            raise(PyExc_ValueError, "expected tuple of length 2, but got tuple of length " + std::to_string(len));
        uint32_t a = edge_endpoint(PyTuple_GetItem(item.get(), 0));
        out.emplace_back(a, edge_endpoint(PyTuple_GetItem(item.get(), 1)));
    }
    if (PyErr_Occurred()) throw_error_set();
    return out;
}


PyRef strongly_connected_components_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_slot_groups(g->store(), vg::strongly_connected_components(g.graph()));
}

constexpr Body num_connected_components_body = graph_body<vg::num_connected_components, py_u64>;

PyRef weakly_connected_components_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_slot_groups(g->store(), vg::weak_component_groups(g->store()));
}

PyRef connected_components_from_edges_body(PyObject*, const Args& a) {
    uint64_t n_nodes = count(a, 0);
    // Labels are 32-bit node numbers; larger counts are refused before any
    // memory is set aside for them.
    if (n_nodes > 0xFFFFFFFFull)
        noted(a.name(0), [] { raise(PyExc_OverflowError, "out of range integral type conversion attempted"); });
    auto edges = converted(a, 1, edge_pairs);
    std::vector<uint32_t> labels = ok_or_raise(vg::connected_component_labels(uint32_t(n_nodes), edges));
    ListBuilder list(labels.size());
    for (size_t i = 0; i < labels.size(); ++i) list.set(i, py_u64(labels[i]));
    return list.take();
}

constexpr Body is_strongly_connected_body = graph_body<vg::is_strongly_connected, py_bool>;
constexpr Body is_weakly_connected_body = graph_body<vg::is_weakly_connected, py_bool>;
constexpr Body condensation_body = graph_body<vg::condensation, wrap_graph>;

PyMethodDef g_table[] = {
    VG_FUNCTION("strongly_connected_components(graph)\n--\n\nStrongly connected components via Tarjan's algorithm.\n"
                "Returns list of components (each is a list of node IDs).",
                strongly_connected_components_body),
    VG_FUNCTION("num_connected_components(graph)\n--\n\nNumber of weakly connected components.",
                num_connected_components_body),
    VG_FUNCTION("weakly_connected_components(graph)\n--\n\nWeakly connected components as lists of node IDs.",
                weakly_connected_components_body),
    VG_FUNCTION("connected_components_from_edges(n_nodes, edges)\n--\n\n"
                "Connected-component labels over an integer edge list (no Graph build).\n"
                "Returns a label per node (smallest node id in its component). Raises\n"
                "ValueError if an edge references a node >= n_nodes.",
                connected_components_from_edges_body),
    VG_FUNCTION("is_strongly_connected(graph)\n--\n\nCheck if the graph is strongly connected.",
                is_strongly_connected_body),
    VG_FUNCTION("is_weakly_connected(graph)\n--\n\nCheck if the graph is weakly connected.",
                is_weakly_connected_body),
    VG_FUNCTION("condensation(graph)\n--\n\nCondensation: contract SCCs into single nodes. Returns a new DAG.",
                condensation_body),
};

}  // namespace

Family components_family() { return g_table; }

}  // namespace vg::py::alg
