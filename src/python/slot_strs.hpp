// Results that name nodes by slot: each node's id becomes one str object,
// made on first use and shared by every entry of the result that names the
// node (ids recur in pair lists, triples and diff lists).
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/graph/graph.hpp"
#include "core/support/prefetch.hpp"
#include "python/convert.hpp"

namespace vg::py {

class SlotStrs {
public:
    explicit SlotStrs(const GraphInner& store);
    SlotStrs(const SlotStrs&) = delete;
    SlotStrs& operator=(const SlotStrs&) = delete;

    // The id of a live slot, as a new reference.
    PyRef operator()(uint32_t slot) {
        PyObject* s = strs_[slot].get();
        return s ? PyRef::borrow(s) : make(slot);
    }
    // Asks for what operator() will read for `slot`: its str when made
    // (the reference count is written), else the node record. Entries of a
    // result lie scattered over the store, so callers ask a few entries
    // ahead and the reads overlap. Forced inline: GCC finds a prefetching
    // helper free of side effects and drops calls to it.
    [[gnu::always_inline]] void prefetch(uint32_t slot) const {
        const PyObject* s = strs_[slot].get();
        if (s) vg::prefetch_read(s);
        else store_.prefetch_node(slot);
    }
    // Asks for the table entry of `slot`, a step before prefetch() reads it.
    [[gnu::always_inline]] void prefetch_entry(uint32_t slot) const { vg::prefetch_read(&strs_[slot]); }

    PyRef list(const std::vector<uint32_t>& slots);
    // (source, target) tuples.
    PyRef pair_list(const std::vector<std::pair<uint32_t, uint32_t>>& pairs);

private:
    PyRef make(uint32_t slot);

    const GraphInner& store_;
    std::vector<PyRef> strs_;  // per slot; empty until first asked for
};

// How far ahead of the entry being converted SlotStrs users prefetch: the
// table entry at twice the distance, the object at the distance itself.
inline constexpr size_t kSlotLookahead = 8;

}  // namespace vg::py
