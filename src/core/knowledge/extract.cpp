// Subgraphs induced by nodes selected on a property.
#include <unordered_set>

#include "core/knowledge/common.hpp"
#include "core/knowledge/extract.hpp"

namespace vg {

std::vector<std::string_view> nodes_of_types(const PropertyGraph& g, const std::vector<std::string_view>& types) {
    std::unordered_set<std::string_view, KeyedHash, std::equal_to<>> wanted(types.begin(), types.end());
    std::vector<std::string_view> out;
    if (wanted.empty()) return out;
    g.store().for_each_node([&](uint32_t, const NodeData& n) {
        const Value* v = n.properties.find("type");
        const std::string* s = v ? v->as_string() : nullptr;
        if (s && wanted.count(*s)) out.push_back(n.id);
    });
    return out;
}

PropertyGraph induced_subgraph(const PropertyGraph& g, const std::vector<std::string_view>& ids) {
    auto r = g.subgraph(ids);
    if (!r) internal_failure("knowledge: subgraph of selected nodes refused: " + r.error());
    return r.take();
}

}  // namespace vg
