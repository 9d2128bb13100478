#include "python/convert.hpp"

#include <algorithm>

#include "core/support/hash.hpp"  // mix64
#include "core/support/prefetch.hpp"
#include "core/support/text_numbers.hpp"
#include "python/args.hpp"
#include "python/errors.hpp"

namespace vg::py {

namespace {

// Containers on the current conversion path: bounds the depth (so every
// stored value can be written and read back as graph JSON) and refuses
// self-containing lists and dicts instead of recursing forever.
struct Walk {
    std::vector<PyObject*> path;
    size_t base = 0;  // entries of `path` that do not count as depth
};

class Enter {
public:
    Enter(Walk& w, PyObject* container) : w_(w) {
        if (std::find(w.path.begin(), w.path.end(), container) != w.path.end())
            raise(PyExc_ValueError, "Property value contains itself");
        if (w.path.size() - w.base >= size_t(kMaxValueDepth))
            raise(PyExc_ValueError,
                  "Property value is nested deeper than " + std::to_string(kMaxValueDepth) + " levels");
        w.path.push_back(container);
    }
    ~Enter() { w_.path.pop_back(); }

private:
    Walk& w_;
};

Value from_py(PyObject* obj, Walk& w);

Value array_from_list(PyObject* list, Walk& w) {
    Enter guard(w, list);
    Py_ssize_t start_len = PyList_Size(list);
    Array out;
    out.reserve(size_t(start_len));
    for (Py_ssize_t i = 0; i < start_len && i < PyList_Size(list); ++i) {
        // A strong reference: a conversion hook may shrink the list.
        PyRef item = PyRef::steal(PyList_GetItemRef(list, i));
        out.push_back(from_py(item.get(), w));
    }
    return Value::array(std::move(out));
}

// Walks a dict in its own order, stopping when it is changed under us.
template <class F>
void walk_dict(PyObject* dict, F&& on_entry) {
    Py_ssize_t start_size = PyDict_Size(dict);
    Py_ssize_t remaining = start_size;
    Py_ssize_t pos = 0;
    PyObject *k, *v;
    for (;;) {
        if (PyDict_Size(dict) != start_size) internal_failure("dictionary changed size during iteration");
        if (remaining < 0) internal_failure("dictionary keys changed during iteration");
        if (!PyDict_Next(dict, &pos, &k, &v)) break;
        --remaining;
        PyRef key = PyRef::borrow(k);
        PyRef value = PyRef::borrow(v);
        if (!PyUnicode_Check(key.get())) raise_not_instance(key.get(), "str");
        on_entry(utf8_view(key.get()), value.get());
    }
}

Value object_from_dict(PyObject* dict, Walk& w) {
    Enter guard(w, dict);
    Object out;
    walk_dict(dict, [&](std::string_view key, PyObject* value) {
        std::string k(key);  // copied first: the hook below may drop the key
        out.emplace_back(std::move(k), from_py(value, w));
    });
    object_normalize(out);
    return Value::object(std::move(out));
}

Value from_py(PyObject* obj, Walk& w) {
    if (obj == Py_None) return Value::null();
    if (obj == Py_True) return Value::boolean(true);
    if (obj == Py_False) return Value::boolean(false);

    // Exact builtin types cannot be numpy booleans, so they may skip ahead.
    if (PyLong_CheckExact(obj)) {
        int overflow = 0;
        long long v = PyLong_AsLongLongAndOverflow(obj, &overflow);
        if (!overflow && !(v == -1 && PyErr_Occurred())) return Value::number(Number::from_i64(v));
        if (PyErr_Occurred()) discard_ordinary_error();
        double d = PyFloat_AsDouble(obj);
        if (!(d == -1.0 && PyErr_Occurred())) return Value::from_double(d);
        discard_ordinary_error();
        return Value::string(lossy_str(obj));
    }
    if (PyFloat_CheckExact(obj)) return Value::from_double(PyFloat_AsDouble(obj));
    if (PyUnicode_CheckExact(obj)) return Value::string(lossy_text(obj));
    if (PyList_CheckExact(obj)) return array_from_list(obj, w);
    if (PyDict_CheckExact(obj)) return object_from_dict(obj, w);

    // Other objects are tried in turn. First numpy's boolean, read through
    // its __bool__.
    switch (numpy_bool(obj)) {
        case NumpyBool::True: return Value::boolean(true);
        case NumpyBool::False: return Value::boolean(false);
        case NumpyBool::Failed: discard_ordinary_error(); break;
        default: break;
    }
    // Integers, floats and what stands for them.
    if (std::optional<Value> n = number_from_py(obj)) return std::move(*n);
    // str subclasses with a UTF-8 form, then list and dict subclasses;
    // anything else becomes the text of its str().
    if (PyUnicode_Check(obj)) {
        Py_ssize_t n = 0;
        if (const char* p = PyUnicode_AsUTF8AndSize(obj, &n)) return Value::string(std::string(p, size_t(n)));
        discard_ordinary_error();
    }
    if (PyList_Check(obj)) return array_from_list(obj, w);
    if (!PyDict_Check(obj)) return Value::string(lossy_str(obj));
    return object_from_dict(obj, w);
}

}  // namespace

std::string lossy_text(PyObject* s) {
    Py_ssize_t n = 0;
    if (const char* p = PyUnicode_AsUTF8AndSize(s, &n)) return std::string(p, size_t(n));
    discard_ordinary_error();
    PyRef bytes = PyRef::steal(PyUnicode_AsEncodedString(s, "utf-8", "surrogatepass"));
    char* data = nullptr;
    Py_ssize_t len = 0;
    check(PyBytes_AsStringAndSize(bytes.get(), &data, &len));
    PyRef text = PyRef::steal(PyUnicode_DecodeUTF8(data, len, "replace"));
    return std::string(utf8_view(text.get()));
}

std::string lossy_str(PyObject* obj) { return lossy_text(PyRef::steal(PyObject_Str(obj)).get()); }

std::optional<Value> number_from_py(PyObject* obj) {
    long long v = PyLong_AsLongLong(obj);
    if (!(v == -1 && PyErr_Occurred())) return Value::number(Number::from_i64(v));
    discard_ordinary_error();
    double d = PyFloat_AsDouble(obj);
    if (!(d == -1.0 && PyErr_Occurred())) return Value::from_double(d);
    discard_ordinary_error();
    return std::nullopt;
}

Value value_from_py(PyObject* obj) {
    Walk w;
    return from_py(obj, w);
}

Properties properties_from_py_dict(PyObject* dict) {
    Properties out;
    if (!dict || dict == Py_None) return out;
    Walk w;
    w.path.push_back(dict);  // a value holding the map itself is a cycle...
    w.base = 1;              // ...but the map is not a level of value nesting
    walk_dict(dict, [&](std::string_view key, PyObject* value) {
        std::string k(key);
        out.insert_or_assign(std::move(k), from_py(value, w));
    });
    return out;
}

PyRef py_str(std::string_view s) {
    return PyRef::steal(PyUnicode_FromStringAndSize(s.data(), Py_ssize_t(s.size())));
}
PyRef py_bool(bool b) { return PyRef::borrow(b ? Py_True : Py_False); }
PyRef py_u64(uint64_t v) { return PyRef::steal(PyLong_FromUnsignedLongLong(v)); }
PyRef py_f64(double d) { return PyRef::steal(PyFloat_FromDouble(d)); }
PyRef py_none() { return PyRef::borrow(Py_None); }

PyRef value_to_py(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Null: return py_none();
        case Value::Kind::Bool: return py_bool(*v.as_bool());
        case Value::Kind::Number: {
            const Number& n = *v.as_number();
            switch (n.form) {
                case Number::Form::U64:
                    if (n.u >= (uint64_t(1) << 63)) return py_f64(double(n.u));
                    return py_u64(n.u);
                case Number::Form::I64: return PyRef::steal(PyLong_FromLongLong(n.i));
                default: return py_f64(n.d);
            }
        }
        case Value::Kind::String: return py_str(*v.as_string());
        case Value::Kind::Array: {
            const Array& a = *v.as_array();
            ListBuilder list(a.size());
            for (size_t i = 0; i < a.size(); ++i) list.set(i, value_to_py(a[i]));
            return list.take();
        }
        case Value::Kind::Object: {
            PyRef dict = PyRef::steal(PyDict_New());
            for (const auto& [key, val] : *v.as_object())
                check(PyDict_SetItem(dict.get(), py_str(key).get(), value_to_py(val).get()));
            return dict;
        }
    }
    internal_failure("unknown value kind");
}

PyRef properties_to_py_dict(const Properties& p) {
    PyRef dict = PyRef::steal(PyDict_New());
    for (const auto& [key, val] : p) check(PyDict_SetItem(dict.get(), py_str(key).get(), value_to_py(val).get()));
    return dict;
}

PyRef PropertyDicts::operator()(const Properties& p) {
    const void* body = p.shared_body();
    if (!body) return properties_to_py_dict(p);
    const size_t first = shared_.get(memo_key(body), 0, [&] {
        const size_t made = objects_.size();
        for (const auto& [key, val] : p) {
            objects_.push_back(py_str(key));
            const bool container = val.kind() == Value::Kind::Array || val.kind() == Value::Kind::Object;
            objects_.push_back(container ? PyRef() : value_to_py(val));
        }
        return made;
    });
    PyRef dict = PyRef::steal(PyDict_New());
    const PyRef* shared = objects_.data() + first;
    for (const auto& [key, val] : p) {
        const PyRef& value = shared[1];
        check(PyDict_SetItem(dict.get(), shared[0].get(), value ? value.get() : value_to_py(val).get()));
        shared += 2;
    }
    return dict;
}

ListBuilder::ListBuilder(size_t n) : list_(PyRef::steal(PyList_New(Py_ssize_t(n)))) {
    PyObject_GC_UnTrack(list_.get());
}

PyRef py_tuple2(PyRef&& a, PyRef&& b) {
    PyRef t = PyRef::steal(PyTuple_New(2));
    PyTuple_SetItem(t.get(), 0, a.release());
    PyTuple_SetItem(t.get(), 1, b.release());
    return t;
}

PyRef py_tuple3(PyRef&& a, PyRef&& b, PyRef&& c) {
    PyRef t = PyRef::steal(PyTuple_New(3));
    PyTuple_SetItem(t.get(), 0, a.release());
    PyTuple_SetItem(t.get(), 1, b.release());
    PyTuple_SetItem(t.get(), 2, c.release());
    return t;
}

PyRef LongStrs::operator()(std::string_view id) {
    if (id.size() < TextNumbers::kLong) return py_str(id);
    return PyRef::borrow(made_.get(memo_key(id.data()), id.size(), [&] { return py_str(id); }).get());
}

namespace {

// The str objects of one result's ids. Ids recur in pair and event lists
// (a node's exit soon after its enter, a hub in many edges), and the texts
// come as views into the graph's records, so equal ids share one address:
// a text is known by its address and size. Short ones go through a small
// direct-mapped table that stays in cache (a collision just replaces the
// older entry, and a short str made twice costs little); long ones are all
// kept, so that each is made once in any order.
class StrCache {
public:
    // Sized for a result of n items, at most kMaxSlots.
    explicit StrCache(size_t n) {
        size_t slots = 16;
        while (slots < n && slots < kMaxSlots) slots *= 2;
        slots_.resize(slots);
    }
    StrCache(const StrCache&) = delete;
    StrCache& operator=(const StrCache&) = delete;
    ~StrCache() {
        for (const Entry& e : slots_) Py_XDECREF(e.obj);
    }
    PyRef get(std::string_view s) {
        if (s.size() >= TextNumbers::kLong) return long_(s);
        Entry& e = slots_[mix64(uint64_t(reinterpret_cast<uintptr_t>(s.data())) ^ s.size()) & (slots_.size() - 1)];
        if (e.obj && e.data == s.data() && e.size == s.size()) return PyRef::borrow(e.obj);
        PyRef made = py_str(s);
        Py_XDECREF(e.obj);
        e = {s.data(), s.size(), PyRef::borrow(made.get()).release()};
        return made;
    }

private:
    static constexpr size_t kMaxSlots = 4096;
    struct Entry {
        const char* data = nullptr;
        size_t size = 0;
        PyObject* obj = nullptr;
    };
    std::vector<Entry> slots_;
    LongStrs long_;
};

}  // namespace

namespace {

// A list of the strs `make` gives for the texts.
template <class Make>
PyRef strings_list(const std::vector<std::string_view>& items, Make&& make) {
    ListBuilder list(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        // Ids of a search result lie scattered over the graph's records.
        if (i + kTextLookahead < items.size()) vg::prefetch_read(items[i + kTextLookahead].data());
        list.set(i, make(items[i]));
    }
    return list.take();
}

}  // namespace

PyRef py_list_from_strings(const std::vector<std::string_view>& items) { return strings_list(items, py_str); }

PyRef py_list_from_string_pairs(const std::vector<std::pair<std::string_view, std::string_view>>& items) {
    ListBuilder list(items.size());
    StrCache strs(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (i + kTextLookahead < items.size()) vg::prefetch_read(items[i + kTextLookahead].first.data());
        list.set(i, untracked(py_tuple2(strs.get(items[i].first), strs.get(items[i].second))));
    }
    return list.take();
}

PyRef py_list_from_string_lists(const std::vector<std::vector<std::string_view>>& items) {
    // Groups may overlap (cliques, k-clique communities).
    LongStrs strs;
    ListBuilder list(items.size());
    for (size_t i = 0; i < items.size(); ++i) list.set(i, strings_list(items[i], strs));
    return list.take();
}

PyRef py_list_from_scored_nodes(const std::vector<std::pair<std::string_view, double>>& items) {
    ListBuilder list(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (i + kTextLookahead < items.size()) vg::prefetch_read(items[i + kTextLookahead].first.data());
        list.set(i, untracked(py_tuple2(py_str(items[i].first), py_f64(items[i].second))));
    }
    return list.take();
}

PyRef py_list_from_edge_entries(std::vector<EdgeEntry>&& items) {
    ListBuilder list(items.size());
    StrCache strs(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        // A dict of plain values is itself untracked, and then so may be
        // the tuple; one holding lists or dicts keeps both tracked.
        const bool plain = !PyObject_GC_IsTracked(items[i].properties.get());
        PyRef t = py_tuple3(strs.get(items[i].source), strs.get(items[i].target), std::move(items[i].properties));
        list.set(i, plain ? untracked(std::move(t)) : std::move(t));
    }
    return list.take();
}

}  // namespace vg::py
