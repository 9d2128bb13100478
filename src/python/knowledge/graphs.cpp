// Python-facing merge, diff and densification.
#include "core/knowledge/densify.hpp"
#include "core/knowledge/diff.hpp"
#include "core/knowledge/merge.hpp"
#include "python/convert.hpp"
#include "python/slot_strs.hpp"
#include "python/knowledge/families.hpp"
#include "python/graph/pygraph.hpp"

namespace vg::py::kg {

namespace {

PyRef merge_graphs_body(PyObject*, const Args& a) {
    SharedBorrow base = graph_arg(a, 0);
    SharedBorrow other = graph_arg(a, 1);
    std::string_view conflict = text(a, 2, "keep_latest");
    return wrap_graph(vg::merge_graphs(base.graph(), other.graph(), merge_policy(conflict)));
}

void set_item(PyObject* dict, const char* key, PyRef&& value) {
    check(PyDict_SetItemString(dict, key, value.get()));
}

PyRef diff_graphs_body(PyObject*, const Args& a) {
    SharedBorrow old_graph = graph_arg(a, 0);
    SharedBorrow new_graph = graph_arg(a, 1);
    GraphDiff d = vg::diff_graphs(old_graph.graph(), new_graph.graph());
    PyRef dict = PyRef::steal(PyDict_New());
    SlotStrs old_ids(old_graph->store()), new_ids(new_graph->store());
    set_item(dict.get(), "added_nodes", new_ids.list(d.added_nodes));
    set_item(dict.get(), "removed_nodes", old_ids.list(d.removed_nodes));
    set_item(dict.get(), "added_edges", new_ids.pair_list(d.added_edges));
    set_item(dict.get(), "removed_edges", old_ids.pair_list(d.removed_edges));
    set_item(dict.get(), "changed_node_properties", old_ids.list(d.changed_node_properties));
    return dict;
}

PyRef densify_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    std::string_view predicate = text(a, 1);
    return wrap_graph(transitive_densify(g.graph(), predicate));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("merge_graphs(base, other, conflict=\"keep_latest\")\n--\n\n"
                "Merge two graphs with a configurable conflict strategy.\n\n"
                "Strategies: \"keep_first\", \"keep_latest\" (default), \"merge\".",
                merge_graphs_body),
    VG_FUNCTION("diff_graphs(old, new)\n--\n\n"
                "Diff two graphs. Returns a dict with keys:\n"
                "added_nodes, removed_nodes, added_edges, removed_edges, changed_node_properties.",
                diff_graphs_body),
    // Both run the same densification; only the argument's name differs.
    VG_FUNCTION("infer_types(graph, predicate_iri)\n--\n\n"
                "Infer transitive types via a specific predicate (e.g., \"subClassOf\").",
                densify_body),
    VG_FUNCTION("densify(graph, predicate)\n--\n\n"
                "Add transitive closure edges for a specific relationship type.\n\n"
                "If A->B and B->C both have the given predicate, add A->C.",
                densify_body),
};

}  // namespace

Family graphs_family() { return g_table; }

}  // namespace vg::py::kg
