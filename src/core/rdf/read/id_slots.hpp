// The RDF loader's index from node id to node slot while a graph is built:
// open addressing over 16-byte entries, with the ids kept end to end in one
// buffer (each after its length), so that a lookup touches two places in
// memory and both can be prefetched ahead of use.
#pragma once
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/hash.hpp"

namespace vg::rdf {

class IdSlots {
public:
    uint32_t hash(std::string_view id) const { return uint32_t(key_(id)); }

    std::optional<uint32_t> find(uint32_t h, std::string_view id) const {
        if (table_.empty()) return std::nullopt;
        for (size_t i = h & mask_;; i = (i + 1) & mask_) {
            const Entry& e = table_[i];
            if (e.slot == kEmpty) return std::nullopt;
            if (e.hash == h && key_at(e.offset) == id) return e.slot;
        }
    }

    // The id must not be present yet.
    void insert(uint32_t h, std::string_view id, uint32_t slot) {
        if (2 * (count_ + 1) > table_.size()) grow();
        uint64_t offset = keys_.size();
        auto len = uint32_t(id.size());
        keys_.append(reinterpret_cast<const char*>(&len), sizeof len);
        keys_.append(id);
        place(Entry{offset, h, slot});
        ++count_;
    }

    // Hints for a lookup to come: its first entry, then the ids of the
    // entries that carry its hash.
    void prefetch_entry(uint32_t h) const {
        if (!table_.empty()) __builtin_prefetch(&table_[h & mask_]);
    }
    void prefetch_key(uint32_t h) const {
        if (table_.empty()) return;
        for (size_t i = h & mask_;; i = (i + 1) & mask_) {
            const Entry& e = table_[i];
            if (e.slot == kEmpty) return;
            if (e.hash == h) __builtin_prefetch(keys_.data() + e.offset);
        }
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    struct Entry {
        uint64_t offset;  // of the id's record in keys_
        uint32_t hash;
        uint32_t slot;
    };

    std::string_view key_at(uint64_t offset) const {
        uint32_t len;
        std::memcpy(&len, keys_.data() + offset, sizeof len);
        return std::string_view(keys_.data() + offset + sizeof len, len);
    }
    void place(const Entry& e) {
        size_t i = e.hash & mask_;
        while (table_[i].slot != kEmpty) i = (i + 1) & mask_;
        table_[i] = e;
    }
    void grow() {
        std::vector<Entry> old(table_.empty() ? 1024 : table_.size() * 2, Entry{0, 0, kEmpty});
        old.swap(table_);
        mask_ = table_.size() - 1;
        for (const Entry& e : old)
            if (e.slot != kEmpty) place(e);
    }

    KeyedHash key_;
    std::vector<Entry> table_;
    size_t mask_ = 0;
    size_t count_ = 0;
    std::string keys_;
};

}  // namespace vg::rdf
