// Module start-up: the root module, its four submodules and their
// registration in sys.modules.
#include "errors.hpp"
#include "pygraph.hpp"
#include "submodules.hpp"

namespace vg::py {

namespace {

const char kModuleDoc[] =
    "The root Python module `vesk_graph._rust`.\n\n"
    "The module is declared `gil_used = false` for compatibility with free-threaded Python\n"
    "(PEP 703, the free-threaded 3.14 build). The exposed classes (`PyGraph`, etc.) own their\n"
    "state behind exclusive borrows, so the binding layer's borrow checker serializes mutations\n"
    "across threads even without the interpreter lock. There is no shared mutable state and\n"
    "there are no global mutable statics.";

// Appends the name to the module's __all__, then sets the attribute.
void add_to_module(PyObject* module, const char* name, PyObject* value) {
    PyObject* all_raw = PyObject_GetAttrString(module, "__all__");
    PyRef all;
    if (all_raw) {
        all = PyRef::steal(all_raw);
        if (!PyList_Check(all.get())) raise_not_instance(all.get(), "list");
    } else {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_error_set();
        PyErr_Clear();
        all = PyRef::steal(PyList_New(0));
        check(PyObject_SetAttrString(module, "__all__", all.get()));
    }
    PyRef key = PyRef::steal(PyUnicode_FromString(name));
    if (PyList_Append(all.get(), key.get()) < 0) {
        PyErr_Clear();
        internal_failure("could not append __name__ to __all__");
    }
    check(PyObject_SetAttrString(module, name, value));
}

void register_in_sys_modules(const char* dotted, PyObject* submodule) {
    PyRef sys = PyRef::steal(PyImport_ImportModule("sys"));
    PyRef modules = PyRef::steal(PyObject_GetAttrString(sys.get(), "modules"));
    PyRef key = PyRef::steal(PyUnicode_FromString(dotted));
    check(PyObject_SetItem(modules.get(), key.get(), submodule));
}

void add_submodule(PyObject* root, const char* short_name, const char* dotted, PyObject* submodule) {
    add_to_module(root, short_name, submodule);
    register_in_sys_modules(dotted, submodule);
}

void add_functions(PyObject* module, PyMethodDef* defs) {
    PyRef module_name = PyRef::steal(PyModule_GetNameObject(module));
    for (PyMethodDef* d = defs; d->ml_name; ++d) {
        PyRef fn = PyRef::steal(PyCFunction_NewEx(d, nullptr, module_name.get()));
        add_to_module(module, d->ml_name, fn.get());
    }
}

void function_submodule(PyObject* root, const char* short_name, const char* dotted, PyMethodDef* defs) {
    PyRef sub = PyRef::steal(PyModule_New(short_name));
    add_functions(sub.get(), defs);
    add_submodule(root, short_name, dotted, sub.get());
}

int module_exec(PyObject* root) {
    PyObject* r = guarded([&] {
        PyRef version = PyRef::steal(PyUnicode_FromString("0.1.6"));
        add_to_module(root, "__version__", version.get());

        PyRef graph = PyRef::steal(PyModule_New("graph"));
        PyTypeObject* type = pygraph_type();
        add_to_module(graph.get(), "PyGraph", reinterpret_cast<PyObject*>(type));
        add_submodule(root, "graph", "vesk_graph._rust.graph", graph.get());

        function_submodule(root, "algorithms", "vesk_graph._rust.algorithms", algorithms_functions());
        function_submodule(root, "knowledge", "vesk_graph._rust.knowledge", knowledge_functions());
        function_submodule(root, "rdf", "vesk_graph._rust.rdf", rdf_functions());

        PyRef path = PyRef::steal(PyList_New(0));
        check(PyObject_SetAttrString(root, "__path__", path.get()));
        PyRef package = PyRef::steal(PyUnicode_FromString("vesk_graph._rust"));
        check(PyObject_SetAttrString(root, "__package__", package.get()));
        return PyRef::borrow(Py_None);
    });
    if (!r) return -1;
    Py_DECREF(r);
    return 0;
}

PyModuleDef_Slot g_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    // The class object is created once per process and shared, which is
    // unsound across interpreters: refuse them rather than crash in one.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_rust", kModuleDoc, 0, nullptr, g_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace vg::py

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__rust() {
    return PyModuleDef_Init(&vg::py::g_module);
}
