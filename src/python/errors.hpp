// Raising exceptions, notes on them, and the boundary that turns every C++
// failure into a Python exception.
#pragma once
#include <string>
#include <string_view>

#include <initializer_list>

#include "core/result.hpp"
#include "python/pyref.hpp"

namespace vg::py {

// The UTF-8 text of a str, viewed in the object's own cache (valid while
// the object lives); raises for a str without a UTF-8 form (lone
// surrogates).
std::string_view utf8_view(PyObject* s);

[[noreturn]] void raise(PyObject* type, std::string_view message);
[[noreturn]] void raise_type_error(std::string_view message);
// "'{}' object is not an instance of '{}'" (or the None form).
[[noreturn]] void raise_not_instance(PyObject* obj, std::string_view expected);
std::string type_qualname(PyObject* obj);

// Core errors become Python exceptions by kind through one table
// (errors.cpp). Where an operation documents another class for a kind (a
// missing node is KeyError in queries but ValueError in subgraph), the
// operation passes that pairing as an override.
struct ClassFor {
    ErrorKind kind;
    PyObject* type;
};
PyObject* exception_class(ErrorKind kind);
[[noreturn]] void raise_error(const Error& e, std::initializer_list<ClassFor> overrides = {});
// The value of a result, or its error raised as above.
template <class T>
T ok_or_raise(Result<T>&& r, std::initializer_list<ClassFor> overrides = {}) {
    if (!r) raise_error(r.failure(), overrides);
    return r.take();
}

// Adds "while processing '{param}'" to the pending exception.
void add_processing_note(const char* param);

// Runs f; on a Python failure adds the note naming `param` and rethrows.
template <class F>
auto noted(const char* param, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const PyErrorSet&) {
        add_processing_note(param);
        throw;
    }
}

// The internal-failure exception class (a direct subclass of BaseException).
PyObject* panic_exception_type();
// Reports to standard error and sets PanicException.
void set_panic(std::string_view message);

// Clears the pending exception when it is an ordinary one (not
// KeyboardInterrupt, SystemExit or MemoryError); returns false otherwise,
// leaving it set.
bool clear_ordinary_error();
// For a conversion rule that turned out not to apply: drops an ordinary
// exception and lets any other go on.
inline void discard_ordinary_error() {
    if (!clear_ordinary_error()) throw_error_set();
}

// Boundary: every C++ exception becomes a Python one; returns NULL then.
template <class F>
PyObject* guarded(F&& f) noexcept;

}  // namespace vg::py

#include "python/errors_impl.hpp"
