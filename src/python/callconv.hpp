// Entry points handed to the interpreter: argument matching from a fixed
// signature, then the body, all inside the exception boundary.
#pragma once
#include "python/args.hpp"

namespace vg::py {

using Body = PyRef (*)(PyObject* self, const Args& args);
using NoArgBody = PyRef (*)(PyObject* self);

template <const Signature& Sig, Body F>
PyObject* fastcall(PyObject* self, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    return guarded([&] {
        Args a(Sig);
        a.match_fastcall(args, nargsf, kwnames);
        return F(self, a);
    });
}

template <NoArgBody F>
PyObject* noargs(PyObject* self, PyObject*) {
    return guarded([&] { return F(self); });
}

template <NoArgBody F>
PyObject* getter(PyObject* self, void*) {
    return guarded([&] { return F(self); });
}

template <auto Fn>
constexpr PyCFunction as_cfunction() {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Fn));
}

}  // namespace vg::py
