// Node id to slot. Entries keep the slot and 32 bits of the id's keyed
// hash; the id itself is read from the slot's record, so it is stored once
// and most probes compare no text.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "core/graph/store.hpp"
#include "core/support/hash.hpp"

namespace vg {

class IdIndex {
public:
    uint32_t hash(std::string_view id) const { return uint32_t(table_.traits().key(id)); }
    std::optional<uint32_t> find(std::string_view id, uint32_t h, const GraphInner& g) const {
        const Entry* e = table_.find(h, [&](const Entry& e) {
            if (e.hash != h) return false;
            const NodeData* d = g.find_record(e.slot);
            return d && d->id == id;  // entries only name live slots; a vacant one never matches
        });
        if (!e) return std::nullopt;
        return e->slot;
    }
    // Hints for a lookup of hash h to come, in the order its reads happen:
    // the first table slot; the node records of the entries with hash h
    // (the table slots must have arrived to be of use); their ids.
    [[gnu::always_inline]] void prefetch(uint32_t h) const { table_.prefetch(h); }
    [[gnu::always_inline]] void prefetch_records(uint32_t h, const GraphInner& g) const {
        table_.find(h, [&](const Entry& e) {
            if (e.hash == h) g.prefetch_node(e.slot);
            return false;
        });
    }
    [[gnu::always_inline]] void prefetch_ids(uint32_t h, const GraphInner& g) const {
        table_.find(h, [&](const Entry& e) {
            if (e.hash == h)
                if (const NodeData* d = g.find_record(e.slot)) prefetch_read(d->id.data());
            return false;
        });
    }
    // Both ends of an edge: the table and record reads of the two lookups
    // overlap instead of waiting on each other.
    std::pair<std::optional<uint32_t>, std::optional<uint32_t>> find_pair(std::string_view a, std::string_view b,
                                                                           const GraphInner& g) const {
        const uint32_t ha = hash(a), hb = hash(b);
        table_.prefetch(ha);
        table_.prefetch(hb);
        const Entry* ca = table_.find(ha, [&](const Entry& e) { return e.hash == ha; });
        const Entry* cb = table_.find(hb, [&](const Entry& e) { return e.hash == hb; });
        if (ca) g.prefetch_node(ca->slot);
        if (cb) g.prefetch_node(cb->slot);
        return {find(a, ha, g), find(b, hb, g)};
    }
    // Room for one more entry, so that a following add cannot fail.
    void reserve_one() { table_.reserve(table_.size() + 1); }
    void reserve(size_t n) { table_.reserve(n); }
    // For an id known to be absent.
    void add(uint32_t h, uint32_t slot) {
        table_.insert(h, {h, slot}, [](const Entry&) { return false; });
    }
    void erase(uint32_t h, uint32_t slot) {
        Entry* e = table_.find(h, [&](const Entry& e) { return e.slot == slot; });
        if (!e) internal_failure("node id missing from the id index");
        table_.erase(e);
    }

private:
    struct Entry {
        uint32_t hash;
        uint32_t slot;  // END when free
    };
    struct Traits {
        using Entry = IdIndex::Entry;
        static Entry empty() { return {0, END}; }
        static bool is_empty(const Entry& e) { return e.slot == END; }
        uint64_t hash(const Entry& e) const { return e.hash; }
        KeyedHash key;
    };
    FlatTable<Traits> table_;
};

}  // namespace vg
