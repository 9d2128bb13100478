// Graph JSON and pickling methods of PyGraph.
#include <optional>
#include <string>

#include "core/io/graph_json.hpp"
#include "python/convert.hpp"
#include "python/graph/pygraph.hpp"
#include "python/graph/pygraph_class.hpp"

namespace vg::py {

namespace {

PyRef graph_to_json(PyObject* self) {
    SharedBorrow g(self);
    TextBuffer text = ok_or_raise(vg::to_json(g.graph()));
    return py_str(text.view());
}

PyRef graph_from_json(PyObject*, const Args& a) {
    std::string_view data = text(a, 0);
    uint64_t max_bytes = count(a, 1);
    uint64_t max_nodes = count(a, 2);
    uint64_t max_edges = count(a, 3);
    // Every refusal of the text (a missing edge endpoint included) is ValueError.
    return wrap_graph(ok_or_raise(vg::from_json(data, max_bytes, max_nodes, max_edges),
                                  {{ErrorKind::NotFound, PyExc_ValueError}}));
}

PyRef graph_getstate(PyObject* self) {
    SharedBorrow g(self);
    // A state too large to load back is refused while pickling: RuntimeError.
    TextBuffer s = ok_or_raise(to_pickle_state(g.graph()), {{ErrorKind::CapRefused, PyExc_RuntimeError}});
    return PyRef::steal(PyBytes_FromStringAndSize(s.data(), Py_ssize_t(s.size())));
}

// The state argument in bytes, read no further than one byte past the most
// a state may hold: the bytes, or in `too_long` the size to refuse.
struct StateBytes {
    std::string_view bytes;
    std::optional<std::string> too_long;
};

// The size named when a sequence is refused one item past the limit: the
// length of an exact list or tuple, which is theirs; any other sequence's
// __len__ is only the caller's claim, and names no size that was read.
std::string refused_size(PyObject* obj) {
    Py_ssize_t n = PyList_CheckExact(obj) ? PyList_Size(obj) : PyTuple_CheckExact(obj) ? PyTuple_Size(obj) : -1;
    if (n > 0 && uint64_t(n) > kMaxPickleBytes) return std::to_string(n);
    return "more than " + std::to_string(kMaxPickleBytes);
}

// The bytes of a bytearray or of a sequence of ints.
StateBytes state_copy(PyObject* obj, std::string& out) {
    if (PyByteArray_Check(obj)) {
        const auto n = uint64_t(PyByteArray_Size(obj));
        if (n > kMaxPickleBytes) return {{}, std::to_string(n)};
        out.assign(PyByteArray_AsString(obj), size_t(n));
        return {out, {}};
    }
    if (PyUnicode_Check(obj)) raise_type_error("Can't extract `str` to `Vec`");
    if (!PySequence_Check(obj)) raise_not_instance(obj, "Sequence");
    // A sequence whose length fails with an ordinary error (it has none) is
    // read without a guess; Ctrl-C or MemoryError there goes up.
    Py_ssize_t hint = PySequence_Size(obj);
    if (hint < 0) discard_ordinary_error();
    // The length is the caller's claim: reserve no more than a state may hold.
    else out.reserve(size_t(std::min<uint64_t>(uint64_t(hint), kMaxPickleBytes + 1)));
    PyRef it = PyRef::steal(PyObject_GetIter(obj));
    if (!it) throw_error_set();  // a sequence need not be iterable (__iter__ = None)
    while (PyObject* raw = PyIter_Next(it.get())) {
        PyRef item = PyRef::steal(raw);
        long long v = PyLong_AsLongLong(item.get());
        if (v == -1 && PyErr_Occurred()) throw_error_set();
        if (v < 0 || v > 255) raise(PyExc_OverflowError, "out of range integral type conversion attempted");
        out.push_back(char(v));
        // A longer sequence (an endless one too) is refused here, unread.
        if (out.size() > kMaxPickleBytes) return {{}, refused_size(obj)};
    }
    if (PyErr_Occurred()) throw_error_set();
    return {out, {}};
}

// The state argument as bytes: bytes (viewed in place: the caller holds
// the object for the whole call), bytearray, or a sequence of ints in
// 0..255 (a str is refused). `copy` holds the bytes of the other forms.
StateBytes state_bytes(PyObject* obj, std::string& copy) {
    if (PyBytes_Check(obj)) {
        char* p = nullptr;
        Py_ssize_t n = 0;
        check(PyBytes_AsStringAndSize(obj, &p, &n));
        return {std::string_view(p, size_t(n)), {}};
    }
    return state_copy(obj, copy);
}

PyRef graph_setstate(PyObject* self, const Args& a) {
    ExclusiveBorrow g(self);
    std::string copy;
    StateBytes state = converted(a, 0, [&](PyObject* obj) { return state_bytes(obj, copy); });
    g.graph() = ok_or_raise(state.too_long ? Result<PropertyGraph>(pickle_state_too_long(*state.too_long))
                                           : from_pickle_state(state.bytes),
                            {{ErrorKind::NotFound, PyExc_ValueError}});
    return py_none();
}

PyMethodDef g_methods[] = {
    VG_NOARGS("to_json($self)\n--\n\nSerialize to JSON string.", graph_to_json),
    VG_STATIC_METHOD("from_json(data, max_bytes, max_nodes, max_edges)\n--\n\n"
                     "Deserialize from JSON string with explicit caps (audit A2-#3).\n\n"
                     "All four cap arguments are required at the FFI boundary; Python\n"
                     "wrappers in :mod:`vesk_graph.graph` resolve them from\n"
                     ":class:`VeskGraphSettings` before calling.",
                     graph_from_json),
    VG_NOARGS("__getstate__($self)\n--\n\n", graph_getstate),
    VG_METHOD("__setstate__($self, state)\n--\n\n", graph_setstate),
};

}  // namespace

ClassItems json_items() { return {g_methods, {}}; }

}  // namespace vg::py
