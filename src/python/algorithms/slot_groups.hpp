// Group list results (components, cycles, paths) from lists of node slots.
#pragma once
#include "core/algorithms/components.hpp"
#include "python/convert.hpp"
#include "python/slot_strs.hpp"

namespace vg::py {

inline PyRef py_list_from_slot_groups(const GraphInner& s, const SlotGroups& groups) {
    const std::vector<uint32_t>& all = groups.members;
    if (all.size() > s.node_slots()) {
        // More members than slots (paths through the same nodes): each
        // node's id becomes one str, shared by the groups that name it.
        SlotStrs ids(s);
        ListBuilder outer(groups.size());
        size_t k = 0;
        for (size_t i = 0; i < groups.size(); ++i) {
            auto members = groups[i];
            ListBuilder inner(members.size());
            for (size_t j = 0; j < members.size(); ++j, ++k) {
                if (k + 2 * kSlotLookahead < all.size()) ids.prefetch_entry(all[k + 2 * kSlotLookahead]);
                if (k + kSlotLookahead < all.size()) ids.prefetch(all[k + kSlotLookahead]);
                inner.set(j, ids(members[j]));
            }
            outer.set(i, inner.take());
        }
        return outer.take();
    }
    // Members lie back to back; their node records are asked for a few
    // members ahead across group boundaries, as they lie scattered.
    ListBuilder outer(groups.size());
    size_t k = 0;
    for (size_t i = 0; i < groups.size(); ++i) {
        auto members = groups[i];
        ListBuilder inner(members.size());
        for (size_t j = 0; j < members.size(); ++j, ++k) {
            if (k + kTextLookahead < all.size()) s.prefetch_node(all[k + kTextLookahead]);
            inner.set(j, py_str(s.id_of(members[j])));
        }
        outer.set(i, inner.take());
    }
    return outer.take();
}

}  // namespace vg::py
