#pragma once
#include <exception>
#include <new>
#include <stdexcept>

#include "core/result.hpp"

namespace vg::py {

template <class F>
PyObject* guarded(F&& f) noexcept {
    // The C++ runtime keeps its exception state per thread, in storage that
    // glibc makes on the thread's first use (or first use since another
    // library with such storage was loaded), and it aborts the process when
    // it cannot. Used here, on the way in, it is made before the call can
    // run out of memory, so a first exception thrown for want of memory
    // still becomes MemoryError.
    // (Declared pure: the result must be used or the call is dropped.)
    [[maybe_unused]] volatile int pending = std::uncaught_exceptions();
    try {
        return f().release();
    } catch (const PyErrorSet&) {
        if (!PyErr_Occurred()) set_panic("an error was signalled without an exception");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const vg::InternalError& e) {
        set_panic(e.what());
    } catch (const std::exception& e) {
        set_panic(e.what());
    } catch (...) {
        set_panic("unknown internal failure");
    }
    return nullptr;
}

}  // namespace vg::py

namespace vg::py {

// Boundary for slots that return an integer (-1 on error).
template <class R, class F>
R guarded_int(F&& f) noexcept {
    R out = -1;
    PyObject* r = guarded([&] {
        out = f();
        return PyRef::borrow(Py_None);
    });
    if (!r) return -1;
    Py_DECREF(r);
    return out;
}

}  // namespace vg::py
