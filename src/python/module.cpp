// Module start-up: the root module, its four submodules and their
// registration in sys.modules. Each function submodule is filled from the
// function tables of its families, in the submodule's fixed order.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "python/algorithms/families.hpp"
#include "python/errors.hpp"
#include "python/fixed_order.hpp"
#include "python/knowledge/families.hpp"
#include "python/graph/pygraph.hpp"
#include "python/rdf/families.hpp"

namespace vg::py {

namespace {

const char kModuleDoc[] =
    "The root Python module `vesk_graph._rust`.\n\n"
    "The module is declared `gil_used = false` for compatibility with free-threaded Python\n"
    "(PEP 703, the free-threaded 3.14 build). The exposed classes (`PyGraph`, etc.) own their\n"
    "state behind exclusive borrows, so the binding layer's borrow checker serializes mutations\n"
    "across threads even without the interpreter lock: an access that would overlap a mutation\n"
    "is refused with RuntimeError, never waited for. There is no shared mutable state; the only\n"
    "global mutable statics are the class and exception objects, each created once per process,\n"
    "and the atomic counter that gives every hash map its own key.";

// Registration order of every function of the three function submodules.
// A family entry missing here, or a name here that no family defines,
// fails the import.
constexpr std::array<std::string_view, 42> kAlgorithmOrder = {
    "bfs", "dfs", "dfs_events", "bfs_with_depth", "bfs_at_depth", "shortest_paths", "shortest_path_length",
    "has_path", "astar_path", "bellman_ford_paths", "all_simple_paths", "find_cycles", "find_cycle_paths",
    "strongly_connected_components", "num_connected_components", "weakly_connected_components",
    "connected_components_from_edges", "is_strongly_connected", "is_weakly_connected", "topological_sort",
    "ancestors", "descendants", "longest_path", "pagerank", "degree_centrality", "in_degree_centrality",
    "out_degree_centrality", "betweenness_centrality", "closeness_centrality", "eigenvector_centrality",
    "louvain_communities", "label_propagation", "bridges", "greedy_matching", "maximum_matching",
    "maximal_cliques", "density", "is_bipartite", "transitive_closure", "condensation", "articulation_points",
    "k_clique_communities",
};
constexpr std::array<std::string_view, 11> kKnowledgeOrder = {
    "merge_graphs", "diff_graphs", "extract_subgraph_by_property", "extract_subgraph_by_types",
    "project_triples", "from_triples", "infer_types", "densify", "find_orphan_nodes", "find_hub_nodes",
    "degree_distribution",
};
constexpr std::array<std::string_view, 5> kRdfOrder = {
    "load_rdf_file", "load_rdf_string", "export_turtle", "export_ntriples", "export_jsonld",
};

// The families of each submodule. Adding a family: its source, its line in
// the submodule's families.hpp, and its line here.
std::vector<Family> algorithm_families() {
    return {alg::traversal_family(), alg::paths_family(), alg::simple_paths_family(), alg::components_family(),
            alg::dag_family(), alg::centrality_family(), alg::community_family(), alg::structure_family(),
            alg::matching_family(), alg::cliques_family()};
}
std::vector<Family> knowledge_families() {
    return {kg::graphs_family(), kg::triples_family(), kg::select_family()};
}
std::vector<Family> rdf_families() { return {rdf::load_family(), rdf::export_family()}; }

// Appends the name to the module's __all__, then sets the attribute.
void add_to_module(PyObject* module, const char* name, PyObject* value) {
    PyObject* all_raw = PyObject_GetAttrString(module, "__all__");
    PyRef all;
    if (all_raw) {
        all = PyRef::steal(all_raw);
        if (!PyList_Check(all.get())) raise_not_instance(all.get(), "list");
    } else {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_error_set();
        PyErr_Clear();
        all = PyRef::steal(PyList_New(0));
        check(PyObject_SetAttrString(module, "__all__", all.get()));
    }
    PyRef key = PyRef::steal(PyUnicode_FromString(name));
    if (PyList_Append(all.get(), key.get()) < 0) {
        PyErr_Clear();
        internal_failure("could not append __name__ to __all__");
    }
    check(PyObject_SetAttrString(module, name, value));
}

void register_in_sys_modules(const char* dotted, PyObject* submodule) {
    PyRef sys = PyRef::steal(PyImport_ImportModule("sys"));
    PyRef modules = PyRef::steal(PyObject_GetAttrString(sys.get(), "modules"));
    PyRef key = PyRef::steal(PyUnicode_FromString(dotted));
    check(PyObject_SetItem(modules.get(), key.get(), submodule));
}

void add_submodule(PyObject* root, const char* short_name, const char* dotted, PyObject* submodule) {
    add_to_module(root, short_name, submodule);
    register_in_sys_modules(dotted, submodule);
}

template <size_t N>
void function_submodule(PyObject* root, const char* short_name, const char* dotted,
                        const std::array<std::string_view, N>& order, const std::vector<Family>& families) {
    std::vector<PyMethodDef*> defs = in_fixed_order(order, families, "function", short_name);
    PyRef sub = PyRef::steal(PyModule_New(short_name));
    PyRef module_name = PyRef::steal(PyModule_GetNameObject(sub.get()));
    for (PyMethodDef* d : defs) {
        PyRef fn = PyRef::steal(PyCFunction_NewEx(d, nullptr, module_name.get()));
        add_to_module(sub.get(), d->ml_name, fn.get());
    }
    add_submodule(root, short_name, dotted, sub.get());
}

int module_exec(PyObject* root) {
    PyObject* r = guarded([&] {
        PyRef version = PyRef::steal(PyUnicode_FromString("0.1.6"));
        add_to_module(root, "__version__", version.get());

        PyRef graph = PyRef::steal(PyModule_New("graph"));
        PyTypeObject* type = pygraph_type();
        add_to_module(graph.get(), "PyGraph", reinterpret_cast<PyObject*>(type));
        add_submodule(root, "graph", "vesk_graph._rust.graph", graph.get());

        function_submodule(root, "algorithms", "vesk_graph._rust.algorithms", kAlgorithmOrder, algorithm_families());
        function_submodule(root, "knowledge", "vesk_graph._rust.knowledge", kKnowledgeOrder, knowledge_families());
        function_submodule(root, "rdf", "vesk_graph._rust.rdf", kRdfOrder, rdf_families());

        PyRef path = PyRef::steal(PyList_New(0));
        check(PyObject_SetAttrString(root, "__path__", path.get()));
        PyRef package = PyRef::steal(PyUnicode_FromString("vesk_graph._rust"));
        check(PyObject_SetAttrString(root, "__package__", package.get()));
        return PyRef::borrow(Py_None);
    });
    if (!r) return -1;
    Py_DECREF(r);
    return 0;
}

PyModuleDef_Slot g_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    // The class object is created once per process and shared, which is
    // unsound across interpreters: refuse them rather than crash in one.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_rust", kModuleDoc, 0, nullptr, g_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace vg::py

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__rust() {
    return PyModuleDef_Init(&vg::py::g_module);
}
