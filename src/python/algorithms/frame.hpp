// The common frame of the algorithm functions: node lookup and the shapes
// of body that most share. Every function converts all its arguments (with
// the readers of python/args.hpp) before it looks up any node id, so a wrong
// argument is reported before a missing node.
#pragma once
#include "python/args.hpp"
#include "python/convert.hpp"
#include "python/functions.hpp"
#include "python/graph/pygraph.hpp"

namespace vg::py::alg {

// A node id that must exist (KeyError, no note).
inline uint32_t node(const PropertyGraph& g, std::string_view id) { return node_or_key_error(g, id); }

// The body of a function of the graph alone: the graph borrowed shared,
// `Run` applied to it and its result converted by `Out` while the borrow
// still holds the ids the result points into. Declared beside its table
// line as `constexpr Body name_body = graph_body<vg::name, py_...>;`.
template <auto Run, auto Out>
PyRef graph_body(PyObject*, const Args& a) {
    SharedBorrow g = graph_arg(a, 0);
    return Out(Run(g.graph()));
}

// The opening of the functions that start from a node: the graph (slot 0)
// borrowed and `source` (slot 1) read. source() looks the id up; call it
// after converting any further arguments.
class SourceArgs {
public:
    explicit SourceArgs(const Args& a) : borrow_(graph_arg(a, 0)), source_id_(text(a, 1)) {}
    const PropertyGraph& graph() const { return borrow_.graph(); }
    uint32_t source() const { return node(borrow_.graph(), source_id_); }

private:
    SharedBorrow borrow_;
    std::string_view source_id_;
};

}  // namespace vg::py::alg
