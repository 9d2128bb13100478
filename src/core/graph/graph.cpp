// Shared operations of the property graph.
#include "core/graph/graph.hpp"

#include "core/algorithms/dag.hpp"
#include "core/errors.hpp"

#include <numeric>

namespace vg {

PropertyGraph::PropertyGraph(bool directed, bool multi, std::string name)
    : name_(std::move(name)), multi_(multi) {
    inner_.kind = directed ? GraphKind::Directed : GraphKind::Undirected;
}

void PropertyGraph::set_flags(bool directed, bool multi) {
    if (inner_.edge_count != 0 && (directed != inner_.is_directed() || multi != multi_))
        internal_failure("graph kind changed while edges exist");
    changed();
    inner_.kind = directed ? GraphKind::Directed : GraphKind::Undirected;
    multi_ = multi;
}

void PropertyGraph::reserve(uint64_t nodes, uint64_t edges) {
    id_index_.reserve(nodes);
    inner_.nodes.reserve(nodes);
    inner_.edges.reserve(edges);
}

std::optional<uint32_t> PropertyGraph::find_node(std::string_view id) const {
    return id_index_.find(id, id_index_.hash(id), inner_);
}

Result<uint32_t> PropertyGraph::node_index(std::string_view id) const {
    if (auto n = find_node(id)) return *n;
    return errors::node_not_found(id);
}

const NodeData* PropertyGraph::get_node(std::string_view id) const {
    auto n = find_node(id);
    if (!n || !inner_.node_live(*n)) return nullptr;
    return &*inner_.nodes[*n].data;
}

Result<uint64_t> PropertyGraph::degree(std::string_view id) const {
    auto n = node_index(id);
    if (!n) return n.failure();
    uint64_t d = 0;
    auto count = [&](uint32_t, uint32_t) { ++d; };
    if (inner_.is_directed()) {
        inner_.walk_out(n.value(), count);
        inner_.walk_in(n.value(), count);
    } else {
        inner_.walk_undirected(n.value(), count);
    }
    return d;
}

bool PropertyGraph::has_edge(std::string_view source, std::string_view target) const {
    auto a = find_node(source);
    auto b = find_node(target);
    if (!a || !b) return false;
    return inner_.find_edge(*a, *b).has_value();
}

std::vector<std::string_view> PropertyGraph::node_ids() const {
    std::vector<std::string_view> out;
    out.reserve(inner_.node_count);
    for (const NodeSlot& s : inner_.nodes)
        if (s.data) out.emplace_back(s.data->id);
    return out;
}

std::vector<PropertyGraph::EdgeView> PropertyGraph::edges() const {
    std::vector<EdgeView> out;
    out.reserve(inner_.edge_count);
    for (const EdgeSlot& e : inner_.edges)
        if (e.data) out.push_back({inner_.id_of(e.node[0]), inner_.id_of(e.node[1]), &*e.data});
    return out;
}

Result<uint32_t> PropertyGraph::add_node(std::string_view id, Properties properties) {
    uint32_t h = id_index_.hash(id);
    if (id_index_.find(id, h, inner_)) return errors::node_exists(id);
    return add_absent_node(id, h, std::move(properties));
}

Result<uint32_t> PropertyGraph::add_absent_node(std::string_view id, uint32_t hash, Properties properties) {
    // The index makes room before the store changes, so running out of
    // memory in either step leaves the two in agreement.
    id_index_.reserve_one();
    auto slot = inner_.insert_node(NodeData{std::string(id), std::move(properties)});
    if (slot) id_index_.add(hash, slot.value());
    return slot;
}

Result<uint32_t> PropertyGraph::add_edge(std::string_view source, std::string_view target, Properties properties) {
    auto [a, b] = id_index_.find_pair(source, target, inner_);
    if (!a) return errors::source_not_found(source);
    if (!b) return errors::target_not_found(target);
    if (!multi_ && inner_.find_edge(*a, *b)) return errors::edge_exists(source, target);
    return inner_.insert_edge(*a, *b, EdgeData{std::move(properties)});
}

Result<uint32_t> PropertyGraph::add_edge_between(uint32_t source, uint32_t target, Properties properties) {
    if (!inner_.node_live(source) || !inner_.node_live(target)) internal_failure("edge added at a vacant node slot");
    return inner_.insert_edge(source, target, EdgeData{std::move(properties)});
}

Result<NodeData> PropertyGraph::remove_node(std::string_view id) {
    uint32_t h = id_index_.hash(id);
    auto slot = id_index_.find(id, h, inner_);
    if (!slot) return errors::node_not_found(id);
    id_index_.erase(h, *slot);
    auto removed = inner_.remove_node(*slot);
    if (!removed) return errors::node_not_in_graph(id);
    return std::move(*removed);
}

Result<EdgeData> PropertyGraph::remove_edge(std::string_view source, std::string_view target) {
    auto s = find_node(source);
    if (!s) return errors::source_not_found(source);
    auto t = find_node(target);
    if (!t) return errors::target_not_found(target);
    auto e = inner_.find_edge(*s, *t);
    if (!e) return errors::edge_not_found(source, target);
    return std::move(*inner_.remove_edge(*e));
}

Result<NodeData*> PropertyGraph::node_for_update(std::string_view id) {
    auto n = find_node(id);
    if (!n) return errors::node_not_found(id);
    if (!inner_.node_live(*n)) return errors::node_not_in_graph(id);
    return &*inner_.nodes[*n].data;
}

Result<uint32_t> PropertyGraph::update_node(std::string_view id, const Properties& properties) {
    auto node = node_for_update(id);
    if (!node) return node.failure();
    changed();
    for (const auto& [key, value] : properties) node.value()->properties.insert_or_assign(key, value);
    return *find_node(id);
}

Result<uint32_t> PropertyGraph::set_node_property(std::string_view id, std::string key, Value value) {
    auto node = node_for_update(id);
    if (!node) return node.failure();
    changed();
    node.value()->properties.insert_or_assign(std::move(key), std::move(value));
    return *find_node(id);
}

Result<PropertyGraph> PropertyGraph::subgraph(const std::vector<std::string_view>& ids) const {
    PropertyGraph out(directed(), multi_, name_);
    out.id_index_.reserve(ids.size());
    for (std::string_view id : ids) {
        const NodeData* nd = get_node(id);
        if (!nd) return errors::node_not_found(id);
        auto r = out.add_node(id, nd->properties);
        if (!r) return r.failure();
    }
    // On the undirected kind only the first edge (slot order) per unordered
    // pair is copied.
    UnorderedPairFilter first_of_pair;
    for (const EdgeSlot& e : inner_.edges) {
        if (!e.data) continue;
        const std::string& s = inner_.id_of(e.node[0]);
        const std::string& t = inner_.id_of(e.node[1]);
        if (!out.find_node(s) || !out.find_node(t)) continue;
        if (!directed() && !first_of_pair.first(e)) continue;
        (void)out.add_edge(s, t, e.data->properties);  // a refused edge is skipped
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
    if (inner_.node_count < 2) return true;
    std::vector<uint32_t> parent(inner_.nodes.size());
    std::iota(parent.begin(), parent.end(), 0u);
    for (const EdgeSlot& e : inner_.edges) {
        if (!e.data || e.node[0] == e.node[1]) continue;
        if (e.node[0] >= parent.size() || e.node[1] >= parent.size()) internal_failure("union-find index out of range");
        uint32_t a = uf_find(parent, e.node[0]), b = uf_find(parent, e.node[1]);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
    std::optional<uint32_t> root;
    for (uint32_t n = 0; n < inner_.nodes.size(); ++n) {
        if (!inner_.nodes[n].data) continue;
        uint32_t r = uf_find(parent, n);
        if (!root) root = r;
        else if (*root != r) return false;
    }
    return true;
}

// The same search that orders topological_sort, so is_dag and is_tree
// always agree with it.
bool PropertyGraph::has_directed_cycle() const { return has_cycle(inner_); }

std::vector<std::string> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value) {
    std::vector<std::string> out;
    for (const NodeSlot& s : g.store().nodes) {
        if (!s.data) continue;
        const Value* v = s.data->properties.find(key);
        if (v && *v == value) out.push_back(s.data->id);
    }
    return out;
}

std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value) {
    std::vector<PropertyGraph::EdgeView> out;
    for (const EdgeSlot& e : g.store().edges) {
        if (!e.data) continue;
        const Value* v = e.data->properties.find(key);
        if (v && *v == value) out.push_back({g.store().id_of(e.node[0]), g.store().id_of(e.node[1]), &*e.data});
    }
    return out;
}

}  // namespace vg
