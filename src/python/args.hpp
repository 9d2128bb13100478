// Argument matching for every Python-facing function: one fixed signature
// record per function and the interpreter's own error wording.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "python/errors.hpp"

namespace vg::py {

inline constexpr size_t kMaxParams = 8;

struct Signature {
    const char* display;                    // "bfs()" or "PyGraph.add_node()"
    std::vector<const char*> params;        // declaration order
    size_t required;                        // the first `required` have no default
};

// Filled argument slots; an empty slot is NULL. Objects are borrowed from
// the call, which keeps them alive.
class Args {
public:
    explicit Args(const Signature& sig) : sig_(sig) {}
    PyObject* operator[](size_t i) const { return slots_[i]; }
    bool has(size_t i) const { return slots_[i] != nullptr; }
    // The slot's object, or NULL when empty or None (optional parameters).
    PyObject* optional(size_t i) const { return slots_[i] == Py_None ? nullptr : slots_[i]; }
    const char* name(size_t i) const { return sig_.params[i]; }

    void match_fastcall(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
    void match_tuple(PyObject* args, PyObject* kwargs);

private:
    void take_positional(PyObject* const* args, size_t p);
    void take_keyword(PyObject* name, PyObject* value);
    void check_missing() const;

    const Signature& sig_;
    std::array<PyObject*, kMaxParams> slots_{};
};

// Converters. Each raises on failure; callers add the parameter note.
std::string_view to_str(PyObject* obj);                 // str or subclass, UTF-8 view
bool to_bool(PyObject* obj);                            // True/False or numpy's boolean
uint64_t to_u64(PyObject* obj);                         // integer-like, unsigned 64-bit
double to_f64(PyObject* obj);                           // anything float() takes
// Items of a sequence of str (not a str itself), with the objects that own
// the text of each view.
struct StrVec {
    std::vector<PyRef> owners;
    std::vector<std::string_view> views;
};
StrVec to_str_vec(PyObject* obj);
bool is_numpy_bool(PyObject* obj);
// numpy's boolean scalar read through its own __bool__ slot. A failure while
// asking what obj is counts as NotOne when it is an ordinary exception;
// Failed leaves the slot's exception set.
enum class NumpyBool { NotOne, True, False, NoSlot, Failed };
NumpyBool numpy_bool(PyObject* obj);

// A str argument from slot i, noted with its parameter name on failure.
inline std::string_view str_param(const Args& a, size_t i) {
    return noted(a.name(i), [&] { return to_str(a[i]); });
}

}  // namespace vg::py
