// Python-facing selections: subgraphs by node property, and degree queries.
#include "core/knowledge/degree.hpp"
#include "core/knowledge/extract.hpp"
#include "python/args.hpp"
#include "python/convert.hpp"
#include "python/knowledge/families.hpp"
#include "python/graph/pygraph.hpp"

namespace vg::py::kg {

namespace {

// The value a node's property is compared with. Scalars convert as
// property values do, but a str (subclasses too) is only its own text and
// anything else (lists and dicts included) is the text of its str(); an
// object of numpy's boolean type counts by its truth.
Value probe_value(PyObject* obj) {
    if (obj == Py_None) return Value::null();
    if (obj == Py_True || obj == Py_False) return Value::boolean(obj == Py_True);
    switch (numpy_bool(obj)) {
        case NumpyBool::True: return Value::boolean(true);
        case NumpyBool::False: return Value::boolean(false);
        case NumpyBool::NoSlot:  // a truth all the same: its length, else true
            if (int truth = PyObject_IsTrue(obj); truth >= 0) return Value::boolean(truth != 0);
            [[fallthrough]];
        case NumpyBool::Failed: discard_ordinary_error(); break;
        case NumpyBool::NotOne: break;
    }
    if (PyUnicode_Check(obj)) return Value::string(lossy_text(obj));
    if (std::optional<Value> n = number_from_py(obj)) return std::move(*n);
    return Value::string(lossy_str(obj));
}

PyRef subgraph_of(const PropertyGraph& g, const std::vector<std::string_view>& ids) {
    return wrap_graph(induced_subgraph(g, ids));
}

PyRef extract_subgraph_by_property_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view key = text(a, 1);
    Value probe = probe_value(a[2]);
    return subgraph_of(g.graph(), nodes_with_property(g.graph(), key, probe));
}

PyRef extract_subgraph_by_types_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    StrVec types = text_list(a, 1);
    return subgraph_of(g.graph(), nodes_of_types(g.graph(), types.views));
}

PyRef find_orphan_nodes_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return py_list_from_strings(orphan_nodes(g.graph()));
}

PyRef find_hub_nodes_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    uint64_t threshold = count(a, 1);
    return py_list_from_strings(hub_nodes(g.graph(), threshold));
}

PyRef degree_distribution_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    PyRef dict = PyRef::steal(PyDict_New());
    for (auto [degree, count] : degree_histogram(g.graph()))
        check(PyDict_SetItem(dict.get(), py_u64(degree).get(), py_u64(count).get()));
    return dict;
}

PyMethodDef g_table[] = {
    VG_FUNCTION("extract_subgraph_by_property(graph, key, value)\n--\n\n"
                "Extract subgraph by filtering nodes on a property value.",
                extract_subgraph_by_property_body),
    VG_FUNCTION("extract_subgraph_by_types(graph, types)\n--\n\n"
                "Extract subgraph containing nodes whose \"type\" property matches any value in the list.",
                extract_subgraph_by_types_body),
    VG_FUNCTION("find_orphan_nodes(graph)\n--\n\nFind orphan nodes (degree 0).", find_orphan_nodes_body),
    VG_FUNCTION("find_hub_nodes(graph, threshold)\n--\n\nFind hub nodes (degree > threshold).", find_hub_nodes_body),
    VG_FUNCTION("degree_distribution(graph)\n--\n\nDegree distribution: returns dict of {degree: count}.",
                degree_distribution_body),
};

}  // namespace

Family select_family() { return g_table; }

}  // namespace vg::py::kg
