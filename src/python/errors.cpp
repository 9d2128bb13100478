#include "python/errors.hpp"

#include <cstdio>
#include <mutex>

namespace vg::py {

std::string_view utf8_view(PyObject* s) {
    Py_ssize_t n = 0;
    const char* p = PyUnicode_AsUTF8AndSize(s, &n);
    if (!p) throw_error_set();
    return {p, size_t(n)};
}

void raise(PyObject* type, std::string_view message) {
    PyRef msg = PyRef::steal(PyUnicode_FromStringAndSize(message.data(), Py_ssize_t(message.size())));
    PyErr_SetObject(type, msg.get());
    throw_error_set();
}

void raise_type_error(std::string_view message) { raise(PyExc_TypeError, message); }

PyObject* exception_class(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::NotFound: return PyExc_KeyError;
        case ErrorKind::AlreadyExists:
        case ErrorKind::InvalidValue:
        case ErrorKind::Parse:
        case ErrorKind::CapRefused:
        case ErrorKind::Cycle:
        case ErrorKind::Io: return PyExc_ValueError;
        case ErrorKind::Internal: return nullptr;
    }
    return nullptr;
}

void raise_error(const Error& e, std::initializer_list<ClassFor> overrides) {
    PyObject* type = exception_class(e.kind);
    for (const ClassFor& o : overrides)
        if (o.kind == e.kind) type = o.type;
    if (!type) internal_failure(e.message);  // becomes PanicException at the boundary
    raise(type, e.message);
}

std::string type_qualname(PyObject* obj) {
    PyRef name = PyRef::steal(PyType_GetQualName(Py_TYPE(obj)));
    return std::string(utf8_view(name.get()));
}

void raise_not_instance(PyObject* obj, std::string_view expected) {
    if (obj == Py_None) raise_type_error("'None' is not an instance of '" + std::string(expected) + "'");
    raise_type_error("'" + type_qualname(obj) + "' object is not an instance of '" + std::string(expected) + "'");
}

void add_processing_note(const char* param) {
    PyObject* exc = PyErr_GetRaisedException();
    if (!exc) return;
    std::string note = std::string("while processing '") + param + "'";
    PyObject* r = PyObject_CallMethod(exc, "add_note", "s", note.c_str());
    if (r) {
        Py_DECREF(r);
        PyErr_SetRaisedException(exc);
    } else {
        // A failing add_note must not hide the original error.
        PyErr_Clear();
        PyErr_SetRaisedException(exc);
    }
}

PyObject* panic_exception_type() {
    // Created once per process; the module refuses subinterpreters.
    static PyObject* type = nullptr;
    if (!type)
        type = PyErr_NewExceptionWithDoc("vesk_graph._rust.PanicException",
                                         "An internal failure of the graph engine.", PyExc_BaseException, nullptr);
    return type;
}

void set_panic(std::string_view message) {
    std::fprintf(stderr, "vesk_graph: internal failure: %.*s\n", int(message.size()), message.data());
    PyObject* t = panic_exception_type();
    if (!t) return;  // the creation error stays set
    PyObject* msg = PyUnicode_FromStringAndSize(message.data(), Py_ssize_t(message.size()));
    if (!msg) return;
    PyErr_SetObject(t, msg);
    Py_DECREF(msg);
}

bool clear_ordinary_error() {
    if (PyErr_ExceptionMatches(PyExc_Exception) && !PyErr_ExceptionMatches(PyExc_MemoryError)) {
        PyErr_Clear();
        return true;
    }
    return false;
}

}  // namespace vg::py
