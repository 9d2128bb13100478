#include "python/args.hpp"

#include <cstring>

namespace vg::py {

namespace {

std::string was_were(size_t n) { return n == 1 ? "was" : "were"; }

}  // namespace

void Args::take_positional(PyObject* const* args, size_t p) {
    size_t n = sig_.params.size();
    if (p > n) {
        std::string msg = sig_.display;
        if (sig_.required == n)
            msg += " takes " + std::to_string(n) + " positional arguments but " + std::to_string(p) + " " + was_were(p) +
                   " given";
        else
            msg += " takes from " + std::to_string(sig_.required) + " to " + std::to_string(n) +
                   " positional arguments but " + std::to_string(p) + " " + was_were(p) + " given";
        raise_type_error(msg);
    }
    for (size_t i = 0; i < p; ++i) slots_[i] = args[i];
}

void Args::take_keyword(PyObject* name, PyObject* value) {
    std::string_view key = utf8_view(name);
    // Plain byte comparison in declaration order: no hashing for a handful of names.
    for (size_t i = 0; i < sig_.params.size(); ++i) {
        const char* p = sig_.params[i];
        if (key.size() == std::strlen(p) && std::memcmp(key.data(), p, key.size()) == 0) {
            if (slots_[i])
                raise_type_error(std::string(sig_.display) + " got multiple values for argument '" + p + "'");
            slots_[i] = value;
            return;
        }
    }
    raise_type_error(std::string(sig_.display) + " got an unexpected keyword argument '" + std::string(key) + "'");
}

void Args::check_missing() const {
    std::vector<const char*> missing;
    for (size_t i = 0; i < sig_.required; ++i)
        if (!slots_[i]) missing.push_back(sig_.params[i]);
    if (missing.empty()) return;
    std::string msg = std::string(sig_.display) + " missing " + std::to_string(missing.size()) + " required positional " +
                      (missing.size() == 1 ? "argument" : "arguments") + ": ";
    for (size_t i = 0; i < missing.size(); ++i) {
        if (i != 0) {
            if (missing.size() > 2) msg += ',';
            msg += i == missing.size() - 1 ? " and " : " ";
        }
        msg += '\'';
        msg += missing[i];
        msg += '\'';
    }
    raise_type_error(msg);
}

void Args::match_fastcall(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    size_t p = size_t(PyVectorcall_NARGS(nargsf));
    take_positional(args, p);
    if (kwnames) {
        Py_ssize_t nk = PyTuple_Size(kwnames);
        for (Py_ssize_t k = 0; k < nk; ++k) take_keyword(PyTuple_GetItem(kwnames, k), args[p + size_t(k)]);
    }
    check_missing();
}

void Args::match_tuple(PyObject* args, PyObject* kwargs) {
    Py_ssize_t p = PyTuple_Size(args);
    std::array<PyObject*, kMaxParams + 1> pos{};
    size_t n = sig_.params.size();
    if (size_t(p) > n) take_positional(nullptr, size_t(p));  // raises
    for (Py_ssize_t i = 0; i < p; ++i) pos[size_t(i)] = PyTuple_GetItem(args, i);
    take_positional(pos.data(), size_t(p));
    if (kwargs) {
        Py_ssize_t it = 0;
        PyObject *k, *v;
        while (PyDict_Next(kwargs, &it, &k, &v)) take_keyword(k, v);
    }
    check_missing();
}

std::string_view to_str(PyObject* obj) {
    if (!PyUnicode_Check(obj)) raise_not_instance(obj, "str");
    return utf8_view(obj);
}

bool is_numpy_bool(PyObject* obj) {
    PyTypeObject* t = Py_TYPE(obj);
    PyRef mod(PyRef::steal(PyType_GetModuleName(t)));
    if (!PyUnicode_Check(mod.get()) || PyUnicode_CompareWithASCIIString(mod.get(), "numpy") != 0) return false;
    PyRef name(PyRef::steal(PyType_GetName(t)));
    return PyUnicode_CompareWithASCIIString(name.get(), "bool_") == 0 ||
           PyUnicode_CompareWithASCIIString(name.get(), "bool") == 0;
}

NumpyBool numpy_bool(PyObject* obj) {
    bool is = false;
    try {
        is = is_numpy_bool(obj);
    } catch (const PyErrorSet&) {
        if (!clear_ordinary_error()) throw;
    }
    if (!is) return NumpyBool::NotOne;
    auto nb_bool = reinterpret_cast<inquiry>(PyType_GetSlot(Py_TYPE(obj), Py_nb_bool));
    if (!nb_bool) return NumpyBool::NoSlot;
    int r = nb_bool(obj);
    if (r < 0) return NumpyBool::Failed;
    return r ? NumpyBool::True : NumpyBool::False;
}

bool to_bool(PyObject* obj) {
    if (obj == Py_True) return true;
    if (obj == Py_False) return false;
    switch (PyLong_Check(obj) || obj == Py_None ? NumpyBool::NotOne : numpy_bool(obj)) {
        case NumpyBool::True: return true;
        case NumpyBool::False: return false;
        case NumpyBool::Failed: throw_error_set();
        case NumpyBool::NoSlot:
            raise_type_error("object of type '" + type_qualname(obj) + "' does not define a '__bool__' conversion");
        case NumpyBool::NotOne: break;
    }
    raise_not_instance(obj, "bool");
}

uint64_t to_u64(PyObject* obj) {
    PyRef idx;
    if (!PyLong_Check(obj)) {
        idx = PyRef::steal(PyNumber_Index(obj));
        obj = idx.get();
    }
    unsigned long long v = PyLong_AsUnsignedLongLong(obj);
    if (v == (unsigned long long)-1 && PyErr_Occurred()) throw_error_set();
    return uint64_t(v);
}

double to_f64(PyObject* obj) {
    double d = PyFloat_AsDouble(obj);
    if (d == -1.0 && PyErr_Occurred()) throw_error_set();
    return d;
}

void require_sequence(PyObject* obj) {
    if (PyUnicode_Check(obj)) raise_type_error("Can't extract `str` to `Vec`");
    if (!PySequence_Check(obj)) {
        // Registered virtual subclasses of Sequence count too.
        PyRef abc = PyRef::steal(PyImport_ImportModule("collections.abc"));
        PyRef seq = PyRef::steal(PyObject_GetAttrString(abc.get(), "Sequence"));
        if (check(PyObject_IsInstance(obj, seq.get())) == 0) raise_not_instance(obj, "Sequence");
    }
}

StrVec to_str_vec(PyObject* obj) {
    require_sequence(obj);
    // No reservation from the length hint: it is the caller's claim, not a fact.
    StrVec out;
    PyRef it = PyRef::steal(PyObject_GetIter(obj));
    while (PyObject* raw = PyIter_Next(it.get())) {
        PyRef item = PyRef::steal(raw);
        out.views.push_back(to_str(item.get()));
        out.owners.push_back(std::move(item));  // keeps each view's text alive
    }
    if (PyErr_Occurred()) throw_error_set();
    return out;
}

}  // namespace vg::py
