// Owning and borrowed references, and the C++ signal that a Python
// exception is already set.
#pragma once
#include <utility>

#include "python/py.hpp"

namespace vg::py {

// Thrown once a Python exception is set; the boundary returns NULL.
struct PyErrorSet {};

[[noreturn]] inline void throw_error_set() { throw PyErrorSet{}; }

class PyRef {
public:
    PyRef() = default;
    // Takes over a new reference; NULL means an exception is set.
    static PyRef steal(PyObject* p) {
        if (!p) throw_error_set();
        return PyRef(p);
    }
    static PyRef borrow(PyObject* p) {
        Py_XINCREF(p);
        return PyRef(p);
    }
    PyRef(PyRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    PyRef& operator=(PyRef&& o) noexcept {
        if (this != &o) {
            Py_XDECREF(p_);
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    PyRef(const PyRef&) = delete;
    PyRef& operator=(const PyRef&) = delete;
    ~PyRef() { Py_XDECREF(p_); }

    PyObject* get() const { return p_; }
    PyObject* release() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }

private:
    explicit PyRef(PyObject* p) : p_(p) {}
    PyObject* p_ = nullptr;
};

// Checks an int result of the C API (-1 means an exception is set).
inline int check(int rc) {
    if (rc < 0) throw_error_set();
    return rc;
}

}  // namespace vg::py
