// Node ids of a graph gathered in one pass over its node slots, so that the
// exports read one small array instead of whole slots when edges lead them
// to nodes in no particular order.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/graph/graph.hpp"
#include "core/support/prefetch.hpp"

namespace vg::rdf {

class NodeIds {
public:
    // The ids are copied into one block in slot order: edges reach nodes in
    // any order, and densely packed text costs far fewer cache and TLB
    // misses than strings spread over the heap.
    explicit NodeIds(const GraphInner& store) : entries_(store.node_slots()) {
        store.for_each_node([&](uint32_t, const NodeData& d) {
            bytes_ += d.id.size();
            ++live_;
            shortest_ = std::min(shortest_, d.id.size());
        });
        text_.resize(bytes_);
        size_t at = 0;
        store.for_each_node([&](uint32_t n, const NodeData& d) {
            const std::string& id = d.id;
            if (id.size() > UINT32_MAX) internal_failure("node id longer than 4 GiB");
            // Empty ids copy nothing; with no bytes at all the block has no
            // storage, and memcpy must not see its null pointer.
            if (!id.empty()) std::memcpy(text_.data() + at, id.data(), id.size());
            entries_[n] = {text_.data() + at, uint32_t(id.size()), kLive};
            at += id.size();
        });
    }

    // The id of a live node; a vacant slot here is a broken invariant.
    std::string_view operator[](uint32_t n) const { return {entry(n).text, entry(n).size}; }
    size_t size() const { return entries_.size(); }
    size_t length(uint32_t n) const { return entry(n).size; }
    // The mean and the least id length, for sizing output buffers.
    size_t mean_length() const { return live_ ? bytes_ / live_ : 0; }
    size_t shortest() const { return live_ ? shortest_ : 0; }

    // One flag per node beside its id (same cache line), for callers that
    // note a node as done.
    bool marked(uint32_t n) const { return entry(n).flags & kMarked; }
    void mark(uint32_t n) { entries_[n].flags |= kMarked; }

    // Hints to the caches for a node that an edge further on will need: its
    // entry here, then its text.
    void prefetch_entry(uint32_t n) const {
        if (n < entries_.size()) vg::prefetch_read(&entries_[n]);
    }
    void prefetch_text(uint32_t n) const {
        if (n < entries_.size()) vg::prefetch_read(entries_[n].text);
    }

private:
    static constexpr uint32_t kLive = 1, kMarked = 2;
    struct Entry {
        const char* text = nullptr;
        uint32_t size = 0;
        uint32_t flags = 0;
    };
    const Entry& entry(uint32_t n) const {
        if (n >= entries_.size() || !(entries_[n].flags & kLive))
            internal_failure("edge endpoint on a vacant node slot");
        return entries_[n];
    }

    std::vector<Entry> entries_;
    std::vector<char> text_;
    size_t bytes_ = 0;
    size_t live_ = 0;
    size_t shortest_ = SIZE_MAX;
};

// The bytes of the ids that the edges' ends put in a text, for sizing its
// buffer to what will be written: every object once per edge, and every
// subject once per edge, or once per run of consecutive edges from it (as
// Turtle groups them).
struct EndBytes {
    uint64_t objects = 0, subjects = 0, subject_runs = 0;
};

inline EndBytes end_bytes(const GraphInner& store, const NodeIds& ids) {
    // The lengths in one dense array, which stays in cache where the ids'
    // entries would not: edges reach their ends in any order.
    std::vector<uint32_t> length(ids.size(), 0);
    store.for_each_node([&](uint32_t n, const NodeData&) { length[n] = uint32_t(ids.length(n)); });
    EndBytes b;
    uint32_t last_source = UINT32_MAX;
    const uint32_t slots = store.edge_slots();
    for (uint32_t e = 0; e < slots; ++e) {
        if (!store.edge_live(e)) continue;
        const EdgeEnds x = store.ends(e);
        const uint64_t s = length[x.source];
        b.objects += length[x.target];
        b.subjects += s;
        b.subject_runs += x.source != last_source ? s : 0;
        last_source = x.source;
    }
    return b;
}

}  // namespace vg::rdf
