// Group list results (components, cycles, paths) from lists of node slots.
#pragma once
#include "core/algorithms/components.hpp"
#include "python/convert.hpp"

namespace vg::py {

inline PyRef py_list_from_slot_groups(const GraphInner& s, const SlotGroups& groups) {
    // Members lie back to back; their node records are asked for a few
    // members ahead across group boundaries, as they lie scattered.
    const std::vector<uint32_t>& all = groups.members;
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
