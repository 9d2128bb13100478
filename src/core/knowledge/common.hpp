// Helpers shared by the knowledge operations.
#pragma once
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/edge_rules.hpp"
#include "core/graph/graph.hpp"
#include "core/graph/pairs.hpp"

namespace vg::kn {

// {"predicate": label, "type": label}: the properties of every edge these
// operations create.
Properties predicate_properties(std::string_view label);

// Map from 64-bit keys below all ones (slot pairs, degrees) to 32-bit values.
class U64Map {
public:
    void reserve(size_t n) { table_.reserve(n); }
    // The value under `key`, inserted as `value` when absent; second = inserted.
    std::pair<uint32_t*, bool> emplace(uint64_t key, uint32_t value);
    const uint32_t* find(uint64_t key) const;

private:
    struct Entry {
        uint64_t key;
        uint32_t value;
    };
    struct Traits {
        using Entry = U64Map::Entry;
        static Entry empty() { return {~uint64_t(0), 0}; }
        static bool is_empty(const Entry& e) { return e.key == ~uint64_t(0); }
        uint64_t hash(const Entry& e) const { return key(e.key); }
        KeyedHash key;
    };
    FlatTable<Traits> table_;
};

// Map from id text to a node slot, for a builder that looks up the same ids
// many times. Unlike the graph's own index it keys views of the caller's
// text (kept alive and unchanged while the table is used), so a lookup reads
// no node record, and a probe with the very same text buffer (the same
// Python str) needs no comparison at all.
class IdTable {
public:
    void reserve(size_t n) { table_.reserve(n); }
    uint64_t hash(std::string_view id) const { return table_.traits().key(id); }
    // The slot under `id` (hashed to `h`), or END.
    uint32_t find(uint64_t h, std::string_view id) const;
    uint32_t find(std::string_view id) const { return find(hash(id), id); }
    // Adds an id (hashed to `h`) that the table does not hold.
    void insert(uint64_t h, std::string_view id, uint32_t slot);
    // Starts loading the entry a lookup of hash `h` reads first.
    [[gnu::always_inline]] void prefetch(uint64_t h) const { table_.prefetch(h); }

private:
    struct Entry {
        const char* data;
        size_t size;
        uint32_t slot;
        uint32_t tag;
    };
    struct Traits {
        using Entry = IdTable::Entry;
        static Entry empty() { return {nullptr, 0, END, 0}; }
        static bool is_empty(const Entry& e) { return e.slot == END; }
        uint64_t hash(const Entry& e) const { return key(std::string_view(e.data, e.size)); }
        KeyedHash key;
    };
    FlatTable<Traits> table_;
};

// Adds a node whose id the caller knows is new to `g`.
uint32_t add_fresh_node(PropertyGraph& g, std::string_view id, Properties props);
// Adds the edge a -> b between live slots of `g` whose pair the caller has
// checked against the parallel-edge rule.
uint32_t add_unjoined_edge(PropertyGraph& g, uint32_t a, uint32_t b, Properties props);

}  // namespace vg::kn
