// Keyed hashing for maps that hold user-chosen keys (every map gets its own
// random key, so colliding key sets cannot be precomputed), and the one flat
// open-addressing table that the hot indexes are built on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/prefetch.hpp"

namespace vg {

uint64_t siphash13(uint64_t k0, uint64_t k1, const void* data, size_t len) noexcept;

// The splitmix64 finaliser: spreads the bits of a 64-bit value.
inline uint64_t mix64(uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

struct KeyedHash {
    using is_transparent = void;
    uint64_t k0;
    uint64_t k1;
    KeyedHash();  // draws fresh keys
    size_t operator()(std::string_view s) const noexcept { return siphash13(k0, k1, s.data(), s.size()); }
    size_t operator()(const std::string& s) const noexcept { return siphash13(k0, k1, s.data(), s.size()); }
    // Integer keys: mixed with this map's key, so their slots differ per map.
    uint64_t operator()(uint64_t v) const noexcept { return mix64(v ^ k0); }
};

// Open addressing with linear probing over a power-of-two array kept at most
// half full. Entries are small values; Traits says which value marks a free
// slot and what an entry's hash is:
//
//     struct Traits {
//         using Entry = ...;
//         static Entry empty();
//         static bool is_empty(const Entry&);
//         uint64_t hash(const Entry&) const;   // may read outside data
//     };
//
// Lookups take the key's hash and a predicate on entries, so an entry may be
// just a position or slot number whose key lives elsewhere (the table never
// stores keys it does not need). Erasing shifts later entries back, so no
// tombstones build up.
template <class Traits>
class FlatTable {
public:
    using Entry = typename Traits::Entry;

    explicit FlatTable(Traits traits = Traits()) : traits_(std::move(traits)) {}

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const Traits& traits() const { return traits_; }

    void clear() {
        slots_.clear();
        count_ = 0;
    }

    // Room for n entries without regrowth.
    void reserve(size_t n) {
        if (slots_.size() < 2 * n) rehash(capacity_for(n));
    }

    // The entry matching `eq` among those of hash h, or nullptr.
    template <class Eq>
    const Entry* find(uint64_t h, Eq&& eq) const {
        if (slots_.empty()) return nullptr;
        size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Entry& e = slots_[i];
            if (Traits::is_empty(e)) return nullptr;
            if (eq(e)) return &e;
        }
    }
    // Starts loading the first slot a lookup of hash h reads.
    [[gnu::always_inline]] void prefetch(uint64_t h) const {
        if (!slots_.empty()) prefetch_read(&slots_[h & (slots_.size() - 1)]);
    }

    template <class Eq>
    Entry* find(uint64_t h, Eq&& eq) {
        return const_cast<Entry*>(static_cast<const FlatTable&>(*this).find(h, eq));
    }

    // Inserts `e` unless an entry matching `eq` exists; returns the entry in
    // the table and whether it was inserted.
    template <class Eq>
    std::pair<Entry*, bool> insert(uint64_t h, Entry e, Eq&& eq) {
        if (2 * (count_ + 1) > slots_.size()) rehash(capacity_for(count_ + 1));
        size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            Entry& s = slots_[i];
            if (Traits::is_empty(s)) {
                s = e;
                ++count_;
                return {&s, true};
            }
            if (eq(s)) return {&s, false};
        }
    }

    // Removes an entry previously returned by find or insert.
    void erase(Entry* at) {
        size_t mask = slots_.size() - 1;
        size_t hole = size_t(at - slots_.data());
        // Backward shift: later entries of the run move into the hole when
        // their home slot is not between the hole and themselves.
        for (size_t i = (hole + 1) & mask; !Traits::is_empty(slots_[i]); i = (i + 1) & mask) {
            size_t home = traits_.hash(slots_[i]) & mask;
            if (((i - home) & mask) >= ((i - hole) & mask)) {
                slots_[hole] = slots_[i];
                hole = i;
            }
        }
        slots_[hole] = Traits::empty();
        --count_;
    }

    // The slots that lookups of the entries step over past their home
    // slots, summed: how well the hash spreads the keys (for tests).
    size_t displacement() const {
        size_t total = 0, mask = slots_.size() - 1;
        for (size_t i = 0; i < slots_.size(); ++i)
            if (!Traits::is_empty(slots_[i])) total += (i - (traits_.hash(slots_[i]) & mask)) & mask;
        return total;
    }

    template <class F>
    void for_each(F&& f) const {
        for (const Entry& e : slots_)
            if (!Traits::is_empty(e)) f(e);
    }

private:
    static size_t capacity_for(size_t n) {
        size_t cap = 16;
        while (cap < 2 * n) cap *= 2;
        return cap;
    }
    void rehash(size_t cap) {
        std::vector<Entry> old(cap, Traits::empty());
        old.swap(slots_);
        size_t mask = cap - 1;
        for (const Entry& e : old) {
            if (Traits::is_empty(e)) continue;
            size_t i = traits_.hash(e) & mask;
            while (!Traits::is_empty(slots_[i])) i = (i + 1) & mask;
            slots_[i] = e;
        }
    }

    Traits traits_;
    std::vector<Entry> slots_;
    size_t count_ = 0;
};

// The common index over entries kept in a vector elsewhere: each slot holds
// an entry's position and 32 bits of its key's hash (so most probes compare
// no key, and regrowth hashes nothing again), hashed with keys drawn for
// this index. Lookups compare the key at the position:
//
//     PositionIndex index;
//     auto h = uint32_t(index.traits().key(name));
//     const PositionSlot* s = index.find(h, [&](const PositionSlot& e) { return e.hash == h && names[e.pos] == name; });
struct PositionSlot {
    uint32_t pos;  // all ones when free
    uint32_t hash;
};
struct PositionTraits {
    using Entry = PositionSlot;
    static Entry empty() { return {0xFFFFFFFFu, 0}; }
    static bool is_empty(const Entry& e) { return e.pos == 0xFFFFFFFFu; }
    uint64_t hash(const Entry& e) const { return e.hash; }
    KeyedHash key;
};
using PositionIndex = FlatTable<PositionTraits>;

// Set of 64-bit values below all ones (the free mark), keyed per set.
struct U64SetTraits {
    using Entry = uint64_t;
    static Entry empty() { return ~uint64_t(0); }
    static bool is_empty(Entry e) { return e == ~uint64_t(0); }
    uint64_t hash(Entry e) const { return key(e); }
    KeyedHash key;
};

class U64Set {
public:
    // Whether v was new.
    bool insert(uint64_t v) {
        return table_.insert(table_.traits().key(v), v, [v](uint64_t e) { return e == v; }).second;
    }
    bool contains(uint64_t v) const {
        return table_.find(table_.traits().key(v), [v](uint64_t e) { return e == v; }) != nullptr;
    }
    void reserve(size_t n) { table_.reserve(n); }
    size_t size() const { return table_.size(); }
    // Starts loading the first slot that insert or contains of v reads.
    [[gnu::always_inline]] void prefetch(uint64_t v) const { table_.prefetch(table_.traits().key(v)); }

private:
    FlatTable<U64SetTraits> table_;
};

}  // namespace vg
