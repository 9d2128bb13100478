#include "common.hpp"


namespace vg::kn {

uint64_t fresh_table_seed() {
    KeyedHash h;  // draws from the process's random base keys
    return h.k0 ^ (h.k1 << 1);
}

void IdTable::reserve(size_t n) {
    size_t want = 16;
    while (want < 2 * n) want *= 2;
    if (want <= entries_.size()) return;
    std::vector<Entry> old(want);
    old.swap(entries_);
    const size_t mask = entries_.size() - 1;
    for (const Entry& e : old) {
        if (!e.used) continue;
        size_t s = e.hash & mask;
        while (entries_[s].used) s = (s + 1) & mask;
        entries_[s] = e;
    }
}

std::pair<uint32_t*, bool> IdTable::emplace(std::string_view id) {
    if (2 * (size_ + 1) > entries_.size()) reserve(2 * (size_ + 1));
    const uint64_t h = hasher_(id);
    const size_t mask = entries_.size() - 1;
    size_t s = h & mask;
    while (entries_[s].used) {
        if (entries_[s].hash == h && entries_[s].id == id) return {&entries_[s].value, false};
        s = (s + 1) & mask;
    }
    entries_[s] = Entry{h, id, END, true};
    ++size_;
    return {&entries_[s].value, true};
}

uint32_t IdTable::find(std::string_view id) const {
    if (entries_.empty()) return END;
    const uint64_t h = hasher_(id);
    const size_t mask = entries_.size() - 1;
    for (size_t s = h & mask; entries_[s].used; s = (s + 1) & mask)
        if (entries_[s].hash == h && entries_[s].id == id) return entries_[s].value;
    return END;
}

IdTable IdTable::of_nodes(const PropertyGraph& g) {
    IdTable t(g.node_count());
    const GraphInner& s = g.inner;
    for (uint32_t n = 0; n < s.nodes.size(); ++n)
        if (s.nodes[n].weight) *t.emplace(s.nodes[n].weight->id).first = n;
    return t;
}

uint32_t add_fresh_node(PropertyGraph& g, std::string_view id, Properties props) {
    auto r = g.add_node(id, std::move(props));
    if (!r) internal_failure("knowledge: copying node failed: " + r.error());
    return r.value();
}

uint32_t node_slot_or_add(PropertyGraph& g, std::string_view id) {
    if (auto n = g.find_node(id)) return *n;
    return add_fresh_node(g, id, Properties());
}

uint32_t add_unjoined_edge(PropertyGraph& g, uint32_t a, uint32_t b, Properties props) {
    auto r = g.inner.insert_edge(a, b, EdgeData{std::move(props)});
    if (!r) internal_failure(r.error());
    return r.value();
}

}  // namespace vg::kn
