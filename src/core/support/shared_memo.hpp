// What a pass over many maps or texts works out once per distinct shared
// thing it meets, for the length of the pass: the dict of a property body
// that many edges hold, the merge of two such bodies, the str of a long id.
//
// A thing is known by a key of two words (an address and a length, or two
// addresses) which must name the same thing for as long as the memo is used:
// the pass holds what they point to, unchanged. Every distinct key is kept,
// so the cost is one make() per distinct thing in any order; a memo of the
// last thing seen, or a direct-mapped one, misses on every turn as soon as
// two things alternate.
//
//     SharedMemo<Properties> merged;
//     const Properties& m = merged.get(key_of(a), key_of(b), [&] { return merge(a, b); });
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "core/support/hash.hpp"

namespace vg {

template <class T>
class SharedMemo {
public:
    // The value kept for (k0, k1), made by make() on first sight; k0 is
    // never 0. A make() that throws keeps nothing. The reference is valid
    // until the next get().
    template <class Make>
    T& get(uintptr_t k0, uintptr_t k1, Make&& make) {
        // Consecutive items mostly share one thing.
        if (k0 == last_k0_ && k1 == last_k1_) return values_[last_];
        const uint64_t h = table_.traits().of(k0, k1);
        auto same = [&](const Entry& e) { return e.k0 == k0 && e.k1 == k1; };
        uint32_t pos;
        if (const Entry* e = table_.find(h, same)) {
            pos = e->pos;
        } else {
            // Room first, so that once the value is kept nothing can fail.
            table_.reserve(table_.size() + 1);
            pos = uint32_t(values_.size());
            values_.push_back(make());
            table_.insert(h, {k0, k1, pos}, same);
        }
        last_k0_ = k0;
        last_k1_ = k1;
        last_ = pos;
        return values_[pos];
    }
    size_t size() const { return values_.size(); }

private:
    struct Entry {
        uintptr_t k0;  // 0 marks a free slot
        uintptr_t k1;
        uint32_t pos;  // in values_
    };
    struct Traits {
        using Entry = SharedMemo::Entry;
        static Entry empty() { return {0, 0, 0}; }
        static bool is_empty(const Entry& e) { return e.k0 == 0; }
        uint64_t hash(const Entry& e) const { return of(e.k0, e.k1); }
        uint64_t of(uintptr_t k0, uintptr_t k1) const { return key(uint64_t(k0) ^ mix64(uint64_t(k1))); }
        KeyedHash key;
    };

    FlatTable<Traits> table_;
    std::vector<T> values_;
    uintptr_t last_k0_ = 0;  // no key yet
    uintptr_t last_k1_ = 0;
    uint32_t last_ = 0;
};

// The key word of an address.
inline uintptr_t memo_key(const void* p) { return reinterpret_cast<uintptr_t>(p); }

}  // namespace vg
