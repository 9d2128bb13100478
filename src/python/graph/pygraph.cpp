// The PyGraph class object, its constructor and slots, and the borrows.
#include "python/graph/pygraph.hpp"

#include <memory>
#include <string>

#include "python/convert.hpp"
#include "python/functions.hpp"
#include "python/graph/pygraph_class.hpp"

namespace vg::py {

SharedBorrow::SharedBorrow(PyObject* obj) : g_(as_graph(obj)) {
    uint64_t cur = g_->borrow.load(std::memory_order_relaxed);
    for (;;) {
        if (cur == kExclusive) raise(PyExc_RuntimeError, "Already mutably borrowed");
        if (g_->borrow.compare_exchange_weak(cur, cur + 1, std::memory_order_acquire, std::memory_order_relaxed))
            return;
    }
}

ExclusiveBorrow::ExclusiveBorrow(PyObject* obj) : g_(as_graph(obj)) {
    uint64_t expected = 0;
    if (!g_->borrow.compare_exchange_strong(expected, kExclusive, std::memory_order_acquire,
                                            std::memory_order_relaxed))
        raise(PyExc_RuntimeError, "Already borrowed");
}

namespace {

constexpr char kClassDoc[] =
    "PyGraph(directed=True, name=None, multi=False)\n--\n\n"
    "A property graph backed by a stable-index graph store.\n\n"
    "Nodes have string IDs and arbitrary JSON-compatible properties.\n"
    "Edges have arbitrary JSON-compatible properties.\n\n"
    "Args:\n"
    "    directed: Whether the graph is directed (default True).\n"
    "    name: Optional name for the graph.";

PyRef alloc_graph(PyTypeObject* type, PropertyGraph&& g) {
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    PyRef self = PyRef::steal(alloc(type, 0));
    PyGraphObject* obj = as_graph(self.get());
    std::construct_at(&obj->graph, std::move(g));
    std::construct_at(&obj->borrow, uint64_t(0));
    return self;
}

// The constructor takes the parameters of the class signature; its argument
// errors name it "PyGraph.__new__()".
constexpr ParsedSignature kNewParsed = parse_signature(kClassDoc, sizeof(kClassDoc) - 1, "", "PyGraph.__new__");
const Signature kNewSig = to_signature(kNewParsed);

PyObject* graph_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guarded([&] {
        Args a(kNewSig);
        a.match_tuple(args, kwargs);
        bool directed = flag(a, 0, true);
        std::string name(opt_text(a, 1).value_or(""));
        bool multi = flag(a, 2, false);
        return alloc_graph(type, PropertyGraph(directed, multi, std::move(name)));
    });
}

void graph_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyGraphObject* obj = as_graph(self);
    std::destroy_at(&obj->graph);
    std::destroy_at(&obj->borrow);
    auto free_fn = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free_fn(self);
    Py_DECREF(type);  // instances of heap types own a reference to it
}

PyObject* graph_repr(PyObject* self) {
    return guarded([&] {
        SharedBorrow g(self);
        std::string s = "PyGraph(nodes=" + std::to_string(g->node_count()) +
                        ", edges=" + std::to_string(g->edge_count()) +
                        ", directed=" + (g->directed() ? "true" : "false") + ")";
        return py_str(s);
    });
}

Py_ssize_t graph_len(PyObject* self) {
    return guarded_int<Py_ssize_t>([&] {
        SharedBorrow g(self);
        return Py_ssize_t(g->node_count());
    });
}

int graph_contains(PyObject* self, PyObject* id) {
    return guarded_int<int>([&] {
        SharedBorrow g(self);
        std::string_view key = noted("id", [&] { return to_str(id); });
        return g->find_node(key) ? 1 : 0;
    });
}

PyTypeObject* create_type() {
    static PyType_Slot slots[] = {
        {Py_tp_doc, const_cast<char*>(kClassDoc)},
        {Py_tp_new, reinterpret_cast<void*>(graph_new)},
        {Py_tp_dealloc, reinterpret_cast<void*>(graph_dealloc)},
        {Py_tp_repr, reinterpret_cast<void*>(graph_repr)},
        {Py_mp_length, reinterpret_cast<void*>(graph_len)},
        {Py_sq_contains, reinterpret_cast<void*>(graph_contains)},
        {Py_tp_methods, pygraph_methods()},
        {Py_tp_getset, pygraph_getset()},
        {0, nullptr},
    };
    static PyType_Spec spec = {
        "vesk_graph._rust.graph.PyGraph",
        int(sizeof(PyGraphObject)),
        0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
        slots,
    };
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
}

// One class object per process: the module declares itself unfit for
// subinterpreters, so sharing it is sound.
PyTypeObject* g_type = nullptr;

}  // namespace

PyTypeObject* pygraph_type() {
    if (!g_type) {
        g_type = create_type();
        if (!g_type) {
            PyObject* cause = PyErr_GetRaisedException();
            PyErr_SetString(PyExc_RuntimeError, "An error occurred while initializing class PyGraph");
            PyObject* exc = PyErr_GetRaisedException();
            PyException_SetCause(exc, cause);
            PyErr_SetRaisedException(exc);
            throw_error_set();
        }
    }
    return g_type;
}

bool is_pygraph(PyObject* obj) {
    if (!g_type) internal_failure("failed to create type object for `PyGraph`");
    return PyObject_TypeCheck(obj, g_type);
}

SharedBorrow graph_arg(const Args& a, size_t i) {
    return converted(a, i, [](PyObject* obj) {
        if (!is_pygraph(obj)) raise_not_instance(obj, "PyGraph");
        return SharedBorrow(obj);
    });
}

PyRef wrap_graph(PropertyGraph&& g) {
    if (!g_type) internal_failure("failed to create type object for `PyGraph`");
    return alloc_graph(g_type, std::move(g));
}

PyRef wrap_graph_with(PropertyGraph&& g, PyRef&& second) {
    PyRef graph = wrap_graph(std::move(g));
    return py_tuple2(std::move(graph), std::move(second));
}

}  // namespace vg::py
