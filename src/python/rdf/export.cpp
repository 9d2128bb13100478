// Python-facing RDF exports and their table.
#include "core/rdf/write/export.hpp"
#include "python/args.hpp"
#include "python/graph/pygraph.hpp"
#include "python/rdf/families.hpp"

namespace vg::py::rdf {

namespace {

// The text as a str; every refusal is a ValueError with the core's text.
// The graph stays borrowed until the str exists.
PyRef exported(Result<std::string>&& r) {
    if (!r) raise(PyExc_ValueError, r.error());
    const std::string& text = r.value();
    PyObject* s = PyUnicode_FromStringAndSize(text.data(), Py_ssize_t(text.size()));
    if (!s) {
        // No room for the str beside the text: MemoryError, as anywhere else.
        if (PyErr_ExceptionMatches(PyExc_MemoryError)) throw_error_set();
        PyErr_Clear();
        internal_failure("the exported text could not be made a str");
    }
    return PyRef::steal(s);
}

PyRef export_turtle_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return exported(vg::rdf::serialize_graph_rdf(g.graph(), vg::rdf::RdfFormat::Turtle));
}

PyRef export_ntriples_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return exported(vg::rdf::serialize_graph_rdf(g.graph(), vg::rdf::RdfFormat::NTriples));
}

PyRef export_jsonld_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return exported(vg::rdf::serialize_graph_jsonld(g.graph()));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("export_turtle(graph)\n--\n\nExport a Graph to Turtle format string.", export_turtle_body),
    VG_FUNCTION("export_ntriples(graph)\n--\n\nExport a Graph to N-Triples format string.", export_ntriples_body),
    VG_FUNCTION("export_jsonld(graph)\n--\n\nExport a Graph to JSON-LD format string.", export_jsonld_body),
};

}  // namespace

Family export_family() { return g_table; }

}  // namespace vg::py::rdf
