// The PyGraph instance layout, its borrow counter and graph wrapping.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/graph/graph.hpp"
#include "python/args.hpp"

namespace vg::py {

struct PyGraphObject {
    PyObject_HEAD
    PropertyGraph graph;
    std::atomic<uint64_t> borrow;  // 0 free, n shared, all ones exclusive
};

inline constexpr uint64_t kExclusive = ~uint64_t(0);

// The class object, created on first use (module start-up).
PyTypeObject* pygraph_type();
bool is_pygraph(PyObject* obj);
inline PyGraphObject* as_graph(PyObject* obj) { return reinterpret_cast<PyGraphObject*>(obj); }

class SharedBorrow {
public:
    explicit SharedBorrow(PyObject* obj);
    SharedBorrow(SharedBorrow&& o) noexcept : g_(std::exchange(o.g_, nullptr)) {}
    SharedBorrow(const SharedBorrow&) = delete;
    SharedBorrow& operator=(const SharedBorrow&) = delete;
    ~SharedBorrow() {
        if (g_) g_->borrow.fetch_sub(1, std::memory_order_release);
    }
    const PropertyGraph& graph() const { return g_->graph; }
    const PropertyGraph* operator->() const { return &g_->graph; }

private:
    PyGraphObject* g_;
};

class ExclusiveBorrow {
public:
    explicit ExclusiveBorrow(PyObject* obj);
    ExclusiveBorrow(const ExclusiveBorrow&) = delete;
    ExclusiveBorrow& operator=(const ExclusiveBorrow&) = delete;
    ~ExclusiveBorrow() { g_->borrow.store(0, std::memory_order_seq_cst); }
    PropertyGraph& graph() const { return g_->graph; }
    PropertyGraph* operator->() const { return &g_->graph; }

private:
    PyGraphObject* g_;
};

// The graph argument in slot i (a reader like those of python/args.hpp):
// type check, then shared borrow, both noted with the parameter's name.
SharedBorrow graph_arg(const Args& a, size_t i);

// The slot of a node id, or KeyError "Node '{}' not found".
inline uint32_t node_or_key_error(const PropertyGraph& g, std::string_view id) { return ok_or_raise(g.node_index(id)); }

// Hands a new graph to Python.
PyRef wrap_graph(PropertyGraph&& g);
PyRef wrap_graph_with(PropertyGraph&& g, PyRef&& second);

}  // namespace vg::py
