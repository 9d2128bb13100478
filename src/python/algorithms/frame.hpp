// The common frame of the algorithm functions: the graph argument, typed
// conversions of the other arguments and node lookup. Every function
// converts all its arguments before it looks up any node id, so a wrong
// argument is reported before a missing node.
#pragma once
#include <optional>

#include "python/args.hpp"
#include "python/convert.hpp"
#include "python/functions.hpp"
#include "python/graph/pygraph.hpp"

namespace vg::py::alg {

// The graph argument (slot 0), type-checked and borrowed shared.
inline SharedBorrow graph_arg(const Args& a) { return borrow_graph_arg(a[0], "graph"); }

// Converters, each noted with its parameter name. Empty slots take the
// default; None never does for numbers and booleans.
inline std::string_view text(const Args& a, size_t i) { return str_param(a, i); }
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

// A node id that must exist (KeyError, no note).
inline uint32_t node(const PropertyGraph& g, std::string_view id) { return node_or_key_error(g, id); }

// The body of a function of the graph alone: the graph borrowed shared,
// `Run` applied to it and its result converted by `Out` while the borrow
// still holds the ids the result points into. Declared beside its table
// line as `constexpr Body name_body = graph_body<vg::name, py_...>;`.
template <auto Run, auto Out>
PyRef graph_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a);
    return Out(Run(g.graph()));
}

// The opening of the functions that start from a node: the graph (slot 0)
// borrowed and `source` (slot 1) read. source() looks the id up; call it
// after converting any further arguments.
class SourceArgs {
public:
    explicit SourceArgs(const Args& a) : borrow_(graph_arg(a)), source_id_(text(a, 1)) {}
    const PropertyGraph& graph() const { return borrow_.graph(); }
    uint32_t source() const { return node(borrow_.graph(), source_id_); }

private:
    SharedBorrow borrow_;
    std::string_view source_id_;
};

}  // namespace vg::py::alg
