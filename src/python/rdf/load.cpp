// Python-facing RDF loaders and their table.
#include "core/rdf/read/load.hpp"
#include "python/args.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/interrupt_hook.hpp"
#include "python/rdf/families.hpp"

namespace vg::py::rdf {

namespace {

// Every refusal of the loaders is a ValueError with the core's text.
PyRef loaded(Result<vg::rdf::LoadedRdf>&& r) {
    if (!r && r.kind() != ErrorKind::Internal) raise(PyExc_ValueError, r.error());
    vg::rdf::LoadedRdf out = ok_or_raise(std::move(r));
    PyRef stats = PyRef::steal(PyDict_New());
    const std::pair<const char*, uint64_t> entries[] = {
        {"total_triples", out.stats.total_triples},
        {"nodes", out.stats.nodes},
        {"edges", out.stats.edges},
        {"literal_properties", out.stats.literal_properties},
        {"load_time_ms", out.stats.load_time_ms},
    };
    for (const auto& [key, value] : entries) check(PyDict_SetItemString(stats.get(), key, py_u64(value).get()));
    return wrap_graph_with(std::move(out.graph), std::move(stats));
}

PyRef load_rdf_file_body(PyObject*, const Args& a) {
    std::string_view path = text(a, 0);
    uint64_t max_bytes = count(a, 1);
    uint64_t triple_cap = count(a, 2);
    return loaded(interruptible([&](const Interrupt* hook) {
        return vg::rdf::load_rdf_path(path, max_bytes, triple_cap, hook);
    }));
}

PyRef load_rdf_string_body(PyObject*, const Args& a) {
    std::string_view data = text(a, 0);
    std::string_view format = text(a, 1);
    uint64_t max_bytes = count(a, 2);
    uint64_t triple_cap = count(a, 3);
    return loaded(interruptible([&](const Interrupt* hook) {
        return vg::rdf::load_rdf_text(data, format, max_bytes, triple_cap, hook);
    }));
}

PyMethodDef g_table[] = {
    VG_FUNCTION("load_rdf_file(path, max_bytes, triple_cap)\n--\n\n"
                "Load an RDF file (OWL/TTL/RDF-XML/N-Triples) into a Graph.\n\n"
                "The format is detected from the file extension: .ttl (Turtle), .nt (N-Triples),\n"
                ".nq (N-Quads), .trig (TriG), .rdf and .owl (RDF/XML). An unknown extension is\n"
                "refused rather than read as RDF/XML. Both caps are mandatory.",
                load_rdf_file_body),
    VG_FUNCTION("load_rdf_string(data, format, max_bytes, triple_cap)\n--\n\n"
                "Load RDF from a string with an explicit format and caps.\n\n"
                "Accepted format names: \"turtle\" or \"ttl\"; \"ntriples\" or \"nt\"; \"rdfxml\", \"xml\"\n"
                "or \"owl\"; \"nquads\" or \"nq\"; \"trig\". Both caps are mandatory.",
                load_rdf_string_body),
};

}  // namespace

Family load_family() { return g_table; }

}  // namespace vg::py::rdf
