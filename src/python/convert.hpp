// Conversion between Python objects and property values, and the builders
// of the result shapes handed back to Python.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/support/shared_memo.hpp"
#include "core/value.hpp"
#include "python/pyref.hpp"

namespace vg::py {

Value value_from_py(PyObject* obj);
Properties properties_from_py_dict(PyObject* dict);  // NULL or None: empty
PyRef value_to_py(const Value& v);
PyRef properties_to_py_dict(const Properties& p);

// Dicts of many property maps in turn (every edge of a graph). Maps that
// share one body, as a loaded graph's edges of one predicate do, get dicts
// that share its keys and its immutable values (strings, numbers), made
// once per body whatever the order of the maps: a long value is made once,
// not once per edge. Containers are made anew for each dict, so no dict
// sees a change made through another.
class PropertyDicts {
public:
    // The maps must stay in place while the builder is used.
    PyRef operator()(const Properties& p);

private:
    // Per shared body, where its objects start in objects_: a key, then
    // its value (null for a container), per entry in the body's order.
    SharedMemo<size_t> shared_;
    std::vector<PyRef> objects_;
};

// The strs of the ids of a result that may name one node many times (a
// hub in many cliques, both ends of many paths). The ids come as views into
// the graph's records, so one node's id lies at one address: a long one is
// made once by its address and shared by every entry that names it, so it
// costs its length once, not once per entry. Shorter ones are made as they
// come, at no more than TextNumbers::kLong bytes each.
class LongStrs {
public:
    // The ids must stay in place while the builder is used.
    PyRef operator()(std::string_view id);

private:
    SharedMemo<PyRef> made_;
};

// Pieces of value_from_py that other readings of an object share.
// Text of a str (subclasses too); each lone surrogate becomes U+FFFD per
// byte of its three-byte form.
std::string lossy_text(PyObject* s);
// The text of str(obj), surrogates replaced the same way.
std::string lossy_str(PyObject* obj);
// An integer (or an object with __index__), else a float (or an object
// with __float__, and ints past 64 bits); nothing when neither applies.
std::optional<Value> number_from_py(PyObject* obj);

PyRef py_str(std::string_view s);
PyRef py_bool(bool b);
PyRef py_u64(uint64_t v);
PyRef py_f64(double d);
PyRef py_none();

// Builders keep their input order exactly. They start reading the text of
// the item this many places ahead of the one they convert.
inline constexpr size_t kTextLookahead = 8;
PyRef py_list_from_strings(const std::vector<std::string_view>& items);
PyRef py_list_from_string_pairs(const std::vector<std::pair<std::string_view, std::string_view>>& items);
PyRef py_list_from_string_lists(const std::vector<std::vector<std::string_view>>& items);
PyRef py_list_from_scored_nodes(const std::vector<std::pair<std::string_view, double>>& items);
struct EdgeEntry {
    std::string_view source;
    std::string_view target;
    PyRef properties;
};
PyRef py_list_from_edge_entries(std::vector<EdgeEntry>&& items);

// A list filled by position; `set` steals the item. The list stays out of
// the cyclic collector until taken: every young collection that the new
// items set off would otherwise walk all the items set so far. (An
// untracked container only hides its references, which the collector then
// counts as outside ones: nothing it holds can be freed early.)
class ListBuilder {
public:
    explicit ListBuilder(size_t n);
    void set(size_t i, PyRef&& item) { PyList_SetItem(list_.get(), Py_ssize_t(i), item.release()); }
    PyRef take() {
        if (!PyObject_GC_IsTracked(list_.get())) PyObject_GC_Track(list_.get());
        return std::move(list_);
    }

private:
    PyRef list_;
};

PyRef py_tuple2(PyRef&& a, PyRef&& b);
PyRef py_tuple3(PyRef&& a, PyRef&& b, PyRef&& c);

// A tuple whose items are all untracked (str, float, None, a dict of such)
// can never be part of a reference cycle. The collector would untrack it on
// its first pass anyway, after walking it once in every young collection
// that millions of new tuples set off; untracked at birth it is never
// walked. Only for tuples of such items.
inline PyRef untracked(PyRef&& t) {
    PyObject_GC_UnTrack(t.get());
    return std::move(t);
}

}  // namespace vg::py
