// Shared operations of the property graph.
#include "graph.hpp"

#include "errors.hpp"

#include <numeric>
#include <unordered_set>

namespace vg {

PropertyGraph::PropertyGraph(bool directed_, bool multi_, std::string name_)
    : name(std::move(name_)), directed(directed_), multi(multi_) {
    inner.kind = directed ? GraphKind::Directed : GraphKind::Undirected;
}

std::optional<uint32_t> PropertyGraph::find_node(std::string_view id) const {
    auto it = id_index.find(id);
    if (it == id_index.end()) return std::nullopt;
    return it->second;
}

Result<uint32_t> PropertyGraph::node_index(std::string_view id) const {
    if (auto n = find_node(id)) return *n;
    return errors::node_not_found(id);
}

const NodeData* PropertyGraph::get_node(std::string_view id) const {
    auto n = find_node(id);
    if (!n || !inner.node_live(*n)) return nullptr;
    return &*inner.nodes[*n].weight;
}

Result<uint64_t> PropertyGraph::degree(std::string_view id) const {
    auto n = node_index(id);
    if (!n) return n.failure();
    uint64_t d = 0;
    auto count = [&](uint32_t, uint32_t) { ++d; };
    if (inner.is_directed()) {
        inner.walk_out(n.value(), count);
        inner.walk_in(n.value(), count);
    } else {
        inner.walk_undirected(n.value(), count);
    }
    return d;
}

bool PropertyGraph::has_edge(std::string_view source, std::string_view target) const {
    auto a = find_node(source);
    auto b = find_node(target);
    if (!a || !b) return false;
    return inner.find_edge(*a, *b).has_value();
}

std::vector<std::string_view> PropertyGraph::node_ids() const {
    std::vector<std::string_view> out;
    out.reserve(inner.node_count);
    for (const NodeSlot& s : inner.nodes)
        if (s.weight) out.emplace_back(s.weight->id);
    return out;
}

std::vector<PropertyGraph::EdgeView> PropertyGraph::edges() const {
    std::vector<EdgeView> out;
    out.reserve(inner.edge_count);
    for (const EdgeSlot& e : inner.edges)
        if (e.weight) out.push_back({inner.id_of(e.node[0]), inner.id_of(e.node[1]), &*e.weight});
    return out;
}

Result<uint32_t> PropertyGraph::add_node(std::string_view id, Properties properties) {
    if (id_index.find(id) != id_index.end()) return errors::node_exists(id);
    // The index entry goes in first so that running out of memory in either
    // step leaves index and store in agreement.
    auto entry = id_index.emplace(std::string(id), END).first;
    try {
        auto slot = inner.insert_node(NodeData{std::string(id), std::move(properties)});
        if (!slot) {
            id_index.erase(entry);
            return slot;
        }
        entry->second = slot.value();
        return slot;
    } catch (...) {
        id_index.erase(entry);
        throw;
    }
}

Result<uint32_t> PropertyGraph::add_edge(std::string_view source, std::string_view target, Properties properties) {
    auto a = find_node(source);
    if (!a) return errors::source_not_found(source);
    auto b = find_node(target);
    if (!b) return errors::target_not_found(target);
    if (!multi && inner.find_edge(*a, *b))
        return errors::edge_exists(source, target);
    return inner.insert_edge(*a, *b, EdgeData{std::move(properties)});
}

Result<PropertyGraph> PropertyGraph::subgraph(const std::vector<std::string_view>& ids) const {
    PropertyGraph out(directed, multi, name);
    out.id_index.reserve(ids.size());
    for (std::string_view id : ids) {
        const NodeData* nd = get_node(id);
        if (!nd) return errors::node_not_found(id);
        auto r = out.add_node(id, nd->properties);
        if (!r) return r.failure();
    }
    // On the undirected kind only the first edge (slot order) per unordered
    // pair is copied; ids are unique, so pairs of slots stand for pairs of ids.
    std::unordered_set<uint64_t> seen;
    for (const EdgeSlot& e : inner.edges) {
        if (!e.weight) continue;
        const std::string& s = inner.id_of(e.node[0]);
        const std::string& t = inner.id_of(e.node[1]);
        if (!out.find_node(s) || !out.find_node(t)) continue;
        if (!directed) {
            uint64_t lo = std::min(e.node[0], e.node[1]), hi = std::max(e.node[0], e.node[1]);
            if (!seen.insert((lo << 32) | hi).second) continue;
        }
        (void)out.add_edge(s, t, e.weight->properties);  // a refused edge is skipped
    }
    return out;
}

namespace {
uint32_t uf_find(std::vector<uint32_t>& parent, uint32_t x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}
}  // namespace

bool PropertyGraph::is_connected() const {
    if (inner.node_count < 2) return true;
    std::vector<uint32_t> parent(inner.nodes.size());
    std::iota(parent.begin(), parent.end(), 0u);
    for (const EdgeSlot& e : inner.edges) {
        if (!e.weight || e.node[0] == e.node[1]) continue;
        if (e.node[0] >= parent.size() || e.node[1] >= parent.size()) internal_failure("union-find index out of range");
        uint32_t a = uf_find(parent, e.node[0]), b = uf_find(parent, e.node[1]);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
    std::optional<uint32_t> root;
    for (uint32_t n = 0; n < inner.nodes.size(); ++n) {
        if (!inner.nodes[n].weight) continue;
        uint32_t r = uf_find(parent, n);
        if (!root) root = r;
        else if (*root != r) return false;
    }
    return true;
}

bool PropertyGraph::has_directed_cycle() const {
    // Kahn's algorithm: a node on or behind a cycle never reaches in-degree 0.
    std::vector<uint64_t> indeg(inner.nodes.size(), 0);
    std::vector<uint32_t> ready;
    for (const EdgeSlot& e : inner.edges)
        if (e.weight) ++indeg[e.node[1]];
    for (uint32_t n = 0; n < inner.nodes.size(); ++n)
        if (inner.nodes[n].weight && indeg[n] == 0) ready.push_back(n);
    uint64_t done = 0;
    while (!ready.empty()) {
        uint32_t n = ready.back();
        ready.pop_back();
        ++done;
        inner.walk_out(n, [&](uint32_t, uint32_t t) {
            if (--indeg[t] == 0) ready.push_back(t);
        });
    }
    return done < inner.node_count;
}

std::vector<std::string> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value) {
    std::vector<std::string> out;
    for (const NodeSlot& s : g.inner.nodes) {
        if (!s.weight) continue;
        const Value* v = s.weight->properties.find(key);
        if (v && *v == value) out.push_back(s.weight->id);
    }
    return out;
}

std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value) {
    std::vector<PropertyGraph::EdgeView> out;
    for (const EdgeSlot& e : g.inner.edges) {
        if (!e.weight) continue;
        const Value* v = e.weight->properties.find(key);
        if (v && *v == value) out.push_back({g.inner.id_of(e.node[0]), g.inner.id_of(e.node[1]), &*e.weight});
    }
    return out;
}

}  // namespace vg
