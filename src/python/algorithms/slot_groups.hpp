// Group list results (components, cycles, paths) from lists of node slots.
#pragma once
#include "core/algorithms/results.hpp"
#include "python/convert.hpp"
#include "python/slot_strs.hpp"

namespace vg::py {

// Members lie back to back; ahead(k) asks for what member k will need a
// few members early, across group boundaries, as the nodes lie scattered.
template <class Id, class Ahead>
PyRef slot_group_list(const SlotGroups& groups, Id&& id, Ahead&& ahead) {
    ListBuilder outer(groups.size());
    size_t k = 0;
    for (size_t i = 0; i < groups.size(); ++i) {
        auto members = groups[i];
        ListBuilder inner(members.size());
        for (size_t j = 0; j < members.size(); ++j, ++k) {
            ahead(k);
            inner.set(j, id(members[j]));
        }
        outer.set(i, inner.take());
    }
    return outer.take();
}

inline PyRef py_list_from_slot_groups(const GraphInner& s, const SlotGroups& groups) {
    const std::vector<uint32_t>& all = groups.members;
    if (all.size() > s.node_slots()) {
        // More members than slots (paths through the same nodes): each
        // node's id becomes one str, shared by the groups that name it.
        SlotStrs ids(s);
        return slot_group_list(
            groups, [&](uint32_t v) { return ids(v); },
            [&](size_t k) {
                if (k + 2 * kSlotLookahead < all.size()) ids.prefetch_entry(all[k + 2 * kSlotLookahead]);
                if (k + kSlotLookahead < all.size()) ids.prefetch(all[k + kSlotLookahead]);
            });
    }
    // Fewer members than slots says nothing of how often one node recurs
    // (isolated nodes pad the count): a long id is still made once.
    LongStrs strs;
    return slot_group_list(
        groups, [&](uint32_t v) { return strs(s.id_of(v)); },
        [&](size_t k) {
            if (k + kTextLookahead < all.size()) s.prefetch_node(all[k + kTextLookahead]);
        });
}

}  // namespace vg::py
