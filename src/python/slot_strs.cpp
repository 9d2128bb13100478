#include "python/slot_strs.hpp"

namespace vg::py {

SlotStrs::SlotStrs(const GraphInner& store) : store_(store), strs_(store.node_slots()) {}

PyRef SlotStrs::make(uint32_t slot) {
    PyRef made = py_str(store_.id_of(slot));
    strs_[slot] = PyRef::borrow(made.get());
    return made;
}

PyRef SlotStrs::list(const std::vector<uint32_t>& slots) {
    const size_t n = slots.size();
    ListBuilder out(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + 2 * kSlotLookahead < n) prefetch_entry(slots[i + 2 * kSlotLookahead]);
        if (i + kSlotLookahead < n) prefetch(slots[i + kSlotLookahead]);
        out.set(i, (*this)(slots[i]));
    }
    return out.take();
}

PyRef SlotStrs::pair_list(const std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
    const size_t n = pairs.size();
    ListBuilder out(n);
    for (size_t i = 0; i < n; ++i) {
        if (i + 2 * kSlotLookahead < n) {
            prefetch_entry(pairs[i + 2 * kSlotLookahead].first);
            prefetch_entry(pairs[i + 2 * kSlotLookahead].second);
        }
        if (i + kSlotLookahead < n) {
            prefetch(pairs[i + kSlotLookahead].first);
            prefetch(pairs[i + kSlotLookahead].second);
        }
        out.set(i, untracked(py_tuple2((*this)(pairs[i].first), (*this)(pairs[i].second))));
    }
    return out.take();
}

}  // namespace vg::py
