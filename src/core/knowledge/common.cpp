#include "core/knowledge/common.hpp"

#include <cstring>

namespace vg::kn {

Properties predicate_properties(std::string_view label) {
    Properties p;
    p.reserve(2);
    p.insert_or_assign("predicate", Value::string(std::string(label)));
    p.insert_or_assign("type", Value::string(std::string(label)));
    return p;
}

std::pair<uint32_t*, bool> U64Map::emplace(uint64_t key, uint32_t value) {
    auto [e, fresh] = table_.insert(table_.traits().key(key), Entry{key, value}, [key](const Entry& x) { return x.key == key; });
    return {&e->value, fresh};
}

const uint32_t* U64Map::find(uint64_t key) const {
    const Entry* e = table_.find(table_.traits().key(key), [key](const Entry& x) { return x.key == key; });
    return e ? &e->value : nullptr;
}

uint32_t IdTable::find(uint64_t h, std::string_view id) const {
    const uint32_t tag = uint32_t(h >> 32);
    const Entry* e = table_.find(h, [&](const Entry& x) {
        return x.tag == tag && x.size == id.size() &&
               (id.empty() || x.data == id.data() || std::memcmp(x.data, id.data(), id.size()) == 0);
    });
    return e ? e->slot : END;
}

void IdTable::insert(uint64_t h, std::string_view id, uint32_t slot) {
    // Ids in the table are distinct, so no entry can match.
    table_.insert(h, Entry{id.data(), id.size(), slot, uint32_t(h >> 32)}, [](const Entry&) { return false; });
}

uint32_t add_fresh_node(PropertyGraph& g, std::string_view id, Properties props) {
    auto r = g.add_node(id, std::move(props));
    if (!r) internal_failure("knowledge: copying node failed: " + r.error());
    return r.value();
}

uint32_t add_unjoined_edge(PropertyGraph& g, uint32_t a, uint32_t b, Properties props) {
    auto r = g.add_edge_between(a, b, std::move(props));
    if (!r) internal_failure(r.error());
    return r.value();
}

}  // namespace vg::kn
