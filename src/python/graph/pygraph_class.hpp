// PyGraph's methods and properties. Each source keeps a table of the items
// it defines beside their bodies, one line each, as the function families
// do (python/functions.hpp):
//
//     PyMethodDef g_methods[] = {
//         VG_METHOD("node($self, id)\n--\n\nGet a node's properties dict, ...", graph_node),
//         VG_NOARGS("node_ids($self)\n--\n\nList all node IDs.", graph_node_ids),
//     };
//     PyGetSetDef g_getters[] = {
//         VG_GETTER("n_nodes", "Number of nodes.", graph_n_nodes),
//     };
//     ClassItems query_items() { return {g_methods, g_getters}; }
//
// A method's name, parameters and the "PyGraph.name()" of its argument
// errors are all read from the docstring's signature line. pygraph_class.cpp
// lists the sources and gathers their items in the class's fixed order; an
// item missing from that order, defined twice, or a name of the order that
// no table defines fails the class creation.
#pragma once
#include <span>

#include "python/functions.hpp"

namespace vg::py {

struct ClassItems {
    std::span<PyMethodDef> methods;
    std::span<PyGetSetDef> getters;
};

ClassItems mutator_items();  // pygraph_mutators.cpp
ClassItems query_items();    // pygraph_queries.cpp
ClassItems json_items();     // pygraph_json.cpp
ClassItems derived_items();  // pygraph_derived.cpp

// The gathered tables, each closed by its sentinel, for the class's slots.
PyMethodDef* pygraph_methods();
PyGetSetDef* pygraph_getset();

inline constexpr int kMethodFlags = METH_FASTCALL | METH_KEYWORDS;

template <FixedString Doc, Body F, int Flags = kMethodFlags>
PyMethodDef method_def() {
    return {kParsed<Doc>.name, as_cfunction<fastcall<kMethodSignature<Doc, "PyGraph.">, F>>(), Flags, Doc.text};
}

template <FixedString Doc, NoArgBody F>
PyMethodDef noargs_def() {
    return {kParsed<Doc>.name, as_cfunction<noargs<F>>(), METH_NOARGS, Doc.text};
}

template <NoArgBody F>
PyGetSetDef getter_def(const char* name, const char* doc) {
    return {name, getter<F>, nullptr, doc, nullptr};
}

#define VG_METHOD(doc, body) ::vg::py::method_def<doc, body>()
#define VG_STATIC_METHOD(doc, body) ::vg::py::method_def<doc, body, ::vg::py::kMethodFlags | METH_STATIC>()
#define VG_NOARGS(doc, body) ::vg::py::noargs_def<doc, body>()
#define VG_GETTER(name, doc, body) ::vg::py::getter_def<body>(name, doc)

}  // namespace vg::py
