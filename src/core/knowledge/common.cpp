#include "common.hpp"


namespace vg::kn {

uint64_t fresh_table_seed() {
    KeyedHash h;  // draws from the process's random base keys
    return h.k0 ^ (h.k1 << 1);
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
