// Helpers shared by the knowledge operations.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "../graph.hpp"

namespace vg::kn {

// The edge label rule: the String "predicate", else the String "type",
// else `fallback`.
inline std::string_view edge_label(const Properties& p, std::string_view fallback) {
    if (const Value* v = p.find("predicate"))
        if (const std::string* s = v->as_string()) return *s;
    if (const Value* v = p.find("type"))
        if (const std::string* s = v->as_string()) return *s;
    return fallback;
}

// {"predicate": label, "type": label}: the properties of every edge these
// operations create.
inline Properties predicate_properties(std::string_view label) {
    Properties p;
    p.reserve(2);
    p.insert_or_assign("predicate", Value::string(std::string(label)));
    p.insert_or_assign("type", Value::string(std::string(label)));
    return p;
}

// An ordered pair of node slots as one key.
inline uint64_t slot_pair(uint32_t a, uint32_t b) { return (uint64_t(a) << 32) | b; }
// The key under which a graph's edge test finds the pair: unordered on the
// undirected kind.
inline uint64_t joined_key(bool directed, uint32_t a, uint32_t b) {
    if (!directed && b < a) std::swap(a, b);
    return slot_pair(a, b);
}

// Open-addressing map from slot pairs to V. Keys are mixed with a random
// per-table key, since slot numbers follow the caller's insertion order.
template <class V>
class PairTable {
public:
    PairTable();
    explicit PairTable(size_t expected) : PairTable() { reserve(expected); }
    void reserve(size_t n);
    // The value under `key`, inserted as `v` when absent; second = inserted.
    std::pair<V*, bool> emplace(uint64_t key, V v);
    V* find(uint64_t key);
    const V* find(uint64_t key) const { return const_cast<PairTable*>(this)->find(key); }
    bool contains(uint64_t key) const { return find(key) != nullptr; }
    size_t size() const { return size_; }

private:
    // No live slot number is END, so no real pair equals this key.
    static constexpr uint64_t kEmpty = ~uint64_t(0);
    size_t slot_of(uint64_t key) const;
    void grow();

    uint64_t seed_;
    std::vector<uint64_t> keys_;
    std::vector<V> values_;
    size_t size_ = 0;
};

struct NoValue {};
using PairSet = PairTable<NoValue>;

uint64_t fresh_table_seed();

template <class V>
PairTable<V>::PairTable() : seed_(fresh_table_seed()) {}

template <class V>
size_t PairTable<V>::slot_of(uint64_t key) const {
    uint64_t z = key ^ seed_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return size_t(z) & (keys_.size() - 1);
}

template <class V>
void PairTable<V>::reserve(size_t n) {
    size_t want = 16;
    while (want < 2 * n) want *= 2;
    if (want <= keys_.size()) return;
    std::vector<uint64_t> old_keys(want, kEmpty);
    std::vector<V> old_values(want);
    old_keys.swap(keys_);
    old_values.swap(values_);
    for (size_t i = 0; i < old_keys.size(); ++i) {
        if (old_keys[i] == kEmpty) continue;
        size_t s = slot_of(old_keys[i]);
        while (keys_[s] != kEmpty) s = (s + 1) & (keys_.size() - 1);
        keys_[s] = old_keys[i];
        values_[s] = std::move(old_values[i]);
    }
}

template <class V>
void PairTable<V>::grow() {
    if (2 * (size_ + 1) > keys_.size()) reserve(size_ + 1 > 8 ? 2 * (size_ + 1) : 8);
}

template <class V>
std::pair<V*, bool> PairTable<V>::emplace(uint64_t key, V v) {
    grow();
    size_t s = slot_of(key);
    while (keys_[s] != kEmpty) {
        if (keys_[s] == key) return {&values_[s], false};
        s = (s + 1) & (keys_.size() - 1);
    }
    keys_[s] = key;
    values_[s] = std::move(v);
    ++size_;
    return {&values_[s], true};
}

template <class V>
V* PairTable<V>::find(uint64_t key) {
    if (keys_.empty()) return nullptr;
    size_t s = slot_of(key);
    while (keys_[s] != kEmpty) {
        if (keys_[s] == key) return &values_[s];
        s = (s + 1) & (keys_.size() - 1);
    }
    return nullptr;
}

// Open-addressing map from id text to a slot number, for lookups that
// repeat many times within one call. The texts are views the caller keeps
// alive; keyed hashing, since the ids are user data.
class IdTable {
public:
    explicit IdTable(size_t expected = 0) { reserve(expected); }
    // The value under `id`, inserted as END when absent; second = inserted.
    std::pair<uint32_t*, bool> emplace(std::string_view id);
    // The value under `id`, or END.
    uint32_t find(std::string_view id) const;
    // A table of the live node ids of `g`, each with its slot.
    static IdTable of_nodes(const PropertyGraph& g);

private:
    struct Entry {
        uint64_t hash = 0;
        std::string_view id;
        uint32_t value = END;
        bool used = false;
    };
    void reserve(size_t n);

    KeyedHash hasher_;
    std::vector<Entry> entries_;
    size_t size_ = 0;
};

// Adds a copy of node `id` to `g`; ids the operations copy are unique.
uint32_t add_fresh_node(PropertyGraph& g, std::string_view id, Properties props);
// The slot of `id` in `g`, adding it without properties when absent.
uint32_t node_slot_or_add(PropertyGraph& g, std::string_view id);
// Adds the edge a -> b between live slots of `g` whose pair the caller has
// checked is not joined yet (or `g` allows parallel edges), so the graph's
// own linear edge test is not repeated.
uint32_t add_unjoined_edge(PropertyGraph& g, uint32_t a, uint32_t b, Properties props);

}  // namespace vg::kn
