// Argument matching for every Python-facing function (one fixed signature
// record per function, the interpreter's own error wording) and the readers
// of the matched slots.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
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

// Conversions of one object. Each raises on failure; the readers of
// arguments below add the parameter note.
std::string_view to_str(PyObject* obj);                 // str or subclass, UTF-8 view
bool to_bool(PyObject* obj);                            // True/False or numpy's boolean
uint64_t to_u64(PyObject* obj);                         // integer-like, unsigned 64-bit
double to_f64(PyObject* obj);                           // anything float() takes
// The container of a list argument: a sequence (registered virtual
// subclasses of Sequence count too), never a str.
void require_sequence(PyObject* obj);
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

// Readers of the argument in slot i, used by every function, method and the
// constructor. A failure is noted with the parameter's name from the
// signature ("while processing 'source'"). An empty slot takes the default;
// None never does, but for opt_text, where None means absent too.
inline std::string_view text(const Args& a, size_t i) {
    return noted(a.name(i), [&] { return to_str(a[i]); });
}
inline std::string_view text(const Args& a, size_t i, std::string_view dflt) {
    return a.has(i) ? text(a, i) : dflt;
}
inline std::optional<std::string_view> opt_text(const Args& a, size_t i) {
    if (!a.optional(i)) return std::nullopt;
    return text(a, i);
}
inline uint64_t count(const Args& a, size_t i, uint64_t dflt = 0) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_u64(a[i]); });
}
inline double real(const Args& a, size_t i, double dflt) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_f64(a[i]); });
}
inline bool flag(const Args& a, size_t i, bool dflt) {
    if (!a.has(i)) return dflt;
    return noted(a.name(i), [&] { return to_bool(a[i]); });
}
inline StrVec text_list(const Args& a, size_t i) {
    return noted(a.name(i), [&] { return to_str_vec(a[i]); });
}
// A family's own reading of slot i (edge pairs, triples, ...), noted the same
// way: conv takes the slot's object.
template <class F>
auto converted(const Args& a, size_t i, F&& conv) -> decltype(conv(a[i])) {
    return noted(a.name(i), [&] { return conv(a[i]); });
}
// The graph argument is read by graph_arg (python/graph/pygraph.hpp), which
// borrows it as well.

}  // namespace vg::py
