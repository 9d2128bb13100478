// Python-facing triples in and out.
#include "core/knowledge/triples.hpp"
#include "core/support/prefetch.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/knowledge/families.hpp"
#include "python/slot_strs.hpp"

namespace vg::py::kg {

namespace {

// The triples argument, whole, before anything is built. Each view points
// into a str held by a tuple in `owners`; tuples cannot drop their items.
struct TripleList {
    std::vector<PyRef> owners;
    std::vector<Triple> triples;
};

// One triple item, checked and read; `item` is then owned by `out`.
void add_triple(TripleList& out, PyRef&& item) {
    if (!PyTuple_Check(item.get())) raise_not_instance(item.get(), "tuple");
    Py_ssize_t len = PyTuple_Size(item.get());
    if (len != 3)
        raise(PyExc_ValueError, "expected tuple of length 3, but got tuple of length " + std::to_string(len));
    PyObject* t = item.get();
    out.triples.push_back({to_str(PyTuple_GetItem(t, 0)), to_str(PyTuple_GetItem(t, 1)), to_str(PyTuple_GetItem(t, 2))});
    out.owners.push_back(std::move(item));
}

TripleList to_triples(PyObject* obj) {
    require_sequence(obj);
    TripleList out;
    // The builtin containers are read by position, the tuples and their
    // items asked for a few entries ahead (they lie scattered over the
    // heap). Nothing here runs Python code, so the container cannot change
    // while it is read. Only their own length sizes the lists: a subclass's
    // __len__ is the caller's claim, not a fact.
    const bool list = PyList_CheckExact(obj);
    if (list || PyTuple_CheckExact(obj)) {
        const size_t n = size_t(PyObject_Size(obj));
        out.owners.reserve(n);
        out.triples.reserve(n);
        auto at = [&](size_t i) { return list ? PyList_GetItem(obj, Py_ssize_t(i)) : PyTuple_GetItem(obj, Py_ssize_t(i)); };
        constexpr size_t kAhead = 8, kHalf = kAhead / 2;
        for (size_t i = 0; i < n; ++i) {
            if (i + kAhead < n) vg::prefetch_read(at(i + kAhead));
            if (i + kHalf < n) {
                PyObject* t = at(i + kHalf);
                if (PyTuple_CheckExact(t) && PyTuple_Size(t) == 3)
                    for (Py_ssize_t k = 0; k < 3; ++k) vg::prefetch_read(PyTuple_GetItem(t, k));
            }
            add_triple(out, PyRef::borrow(at(i)));
        }
        return out;
    }
    PyRef it = PyRef::steal(PyObject_GetIter(obj));
    while (PyObject* raw = PyIter_Next(it.get())) add_triple(out, PyRef::steal(raw));
    if (PyErr_Occurred()) throw_error_set();
    return out;
}

PyRef from_triples_body(PyObject*, const Args& a) {
    TripleList triples = converted(a, 0, to_triples);
    bool directed = flag(a, 1, true);
    return wrap_graph(vg::from_triples(triples.triples, directed));
}

PyRef project_triples_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    ProjectedTriples projected = vg::project_triples(g.graph());
    // Ids and labels repeat across triples: each node's id and each label
    // becomes one str, shared by every tuple that names it.
    SlotStrs ids(g->store());
    std::vector<PyRef> labels;
    labels.reserve(projected.labels.size());
    for (std::string_view label : projected.labels) labels.push_back(py_str(label));
    const std::vector<SlotTriple>& triples = projected.triples;
    const size_t n = triples.size();
    ListBuilder list(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + 2 * kSlotLookahead < n) {
            ids.prefetch_entry(triples[i + 2 * kSlotLookahead].subject);
            ids.prefetch_entry(triples[i + 2 * kSlotLookahead].object);
        }
        if (i + kSlotLookahead < n) {
            ids.prefetch(triples[i + kSlotLookahead].subject);
            ids.prefetch(triples[i + kSlotLookahead].object);
        }
        const SlotTriple& t = triples[i];
        PyRef label = PyRef::borrow(labels[t.predicate].get());
        list.set(i, untracked(py_tuple3(ids(t.subject), std::move(label), ids(t.object))));
    }
    return list.take();
}

PyMethodDef g_table[] = {
    VG_FUNCTION("project_triples(graph)\n--\n\nProject graph edges as (subject, predicate, object) triples.",
                project_triples_body),
    VG_FUNCTION("from_triples(triples, directed=True)\n--\n\nBuild a graph from (subject, predicate, object) triples.",
                from_triples_body),
};

}  // namespace

Family triples_family() { return g_table; }

}  // namespace vg::py::kg
