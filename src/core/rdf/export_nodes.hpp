// Node ids of a graph gathered in one pass over its node slots, so that the
// exports read one small array instead of whole slots when edges lead them
// to nodes in no particular order.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "../graph.hpp"

namespace vg::rdf {

class NodeIds {
public:
    explicit NodeIds(const GraphInner& store) : ids_(store.nodes.size()) {
        for (uint32_t n = 0; n < store.nodes.size(); ++n) {
            if (!store.nodes[n].data) continue;
            ids_[n] = store.nodes[n].data->id;
            bytes_ += ids_[n].size();
            ++live_;
        }
    }

    // The id of a live node; a vacant slot here is a broken invariant.
    std::string_view operator[](uint32_t n) const {
        if (n >= ids_.size() || ids_[n].data() == nullptr) internal_failure("edge endpoint on a vacant node slot");
        return ids_[n];
    }
    size_t size() const { return ids_.size(); }
    // Mean id length, for sizing output buffers.
    size_t mean_length() const { return live_ ? bytes_ / live_ : 0; }

    // Hints to the caches for a node that an edge further on will need: its
    // entry here, then its text.
    void prefetch_entry(uint32_t n) const {
        if (n < ids_.size()) __builtin_prefetch(&ids_[n]);
    }
    void prefetch_text(uint32_t n) const {
        if (n < ids_.size()) __builtin_prefetch(ids_[n].data());
    }

private:
    std::vector<std::string_view> ids_;
    size_t bytes_ = 0;
    size_t live_ = 0;
};

}  // namespace vg::rdf
