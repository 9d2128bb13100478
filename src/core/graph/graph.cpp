// Shared operations of the property graph.
#include "core/graph/graph.hpp"

#include "core/errors.hpp"
#include "core/graph/adjacency.hpp"
#include "core/graph/pairs.hpp"
#include "core/graph/predicates.hpp"
#include "core/support/shared_memo.hpp"
#include "core/support/text_numbers.hpp"

namespace vg {

PropertyGraph::PropertyGraph(bool directed, bool multi, std::string name)
    : inner_(directed ? GraphKind::Directed : GraphKind::Undirected), name_(std::move(name)), multi_(multi) {}

void PropertyGraph::set_flags(bool directed, bool multi) {
    if (inner_.edge_count() != 0 && (directed != inner_.is_directed() || multi != multi_))
        internal_failure("graph kind changed while edges exist");
    inner_.set_kind(directed ? GraphKind::Directed : GraphKind::Undirected);
    multi_ = multi;
}

void PropertyGraph::reserve(uint64_t nodes, uint64_t edges) {
    id_index_.reserve(nodes);
    inner_.reserve(nodes, edges);
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
    return n ? inner_.find_record(*n) : nullptr;
}

Result<uint64_t> PropertyGraph::degree(std::string_view id) const {
    auto n = node_index(id);
    if (!n) return n.failure();
    // A self-loop counts twice on the directed kind (it is in both lists)
    // and once on the undirected kind (its incident walk meets it once).
    const uint32_t slot = n.value();
    if (inner_.is_directed())
        return walk_length(inner_, slot, Direction::Out) + walk_length(inner_, slot, Direction::In);
    return walk_length(inner_, slot, Direction::Undirected);
}

bool PropertyGraph::has_edge(std::string_view source, std::string_view target) const {
    auto a = find_node(source);
    auto b = find_node(target);
    if (!a || !b) return false;
    return inner_.find_edge(*a, *b).has_value();
}

std::vector<std::string_view> PropertyGraph::node_ids() const {
    std::vector<std::string_view> out;
    out.reserve(inner_.node_count());
    inner_.for_each_node([&](uint32_t, const NodeData& d) { out.emplace_back(d.id); });
    return out;
}

std::vector<PropertyGraph::EdgeView> PropertyGraph::edges() const {
    std::vector<EdgeView> out;
    out.reserve(inner_.edge_count());
    inner_.for_each_edge([&](uint32_t, EdgeEnds ends, const EdgeData& d) {
        out.push_back({inner_.id_of(ends.source), inner_.id_of(ends.target), &d});
    });
    return out;
}

bool PropertyGraph::is_connected() const { return weakly_connected(inner_); }

Result<uint32_t> PropertyGraph::add_node(std::string_view id, Properties properties) {
    return add_node(id, id_index_.hash(id), std::move(properties));
}

Result<uint32_t> PropertyGraph::add_node(std::string_view id, uint32_t h, Properties properties) {
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
    return add_edge_at(*a, *b, std::move(properties));
}

Result<uint32_t> PropertyGraph::add_edge_between(uint32_t source, uint32_t target, Properties properties) {
    if (!inner_.node_live(source) || !inner_.node_live(target)) internal_failure("edge added at a vacant node slot");
    return inner_.insert_edge(source, target, EdgeData{std::move(properties)});
}

Result<uint32_t> PropertyGraph::add_edge_at(uint32_t source, uint32_t target, Properties properties) {
    if (!inner_.node_live(source) || !inner_.node_live(target)) internal_failure("edge added at a vacant node slot");
    if (!multi_ && inner_.find_edge(source, target))
        return errors::edge_exists(inner_.id_of(source), inner_.id_of(target));
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
    auto [s, t] = id_index_.find_pair(source, target, inner_);
    if (!s) return errors::source_not_found(source);
    if (!t) return errors::target_not_found(target);
    auto e = inner_.find_edge(*s, *t);
    if (!e) return errors::edge_not_found(source, target);
    return std::move(*inner_.remove_edge(*e));
}

Result<NodeData*> PropertyGraph::node_for_update(std::string_view id) {
    auto n = find_node(id);
    if (!n) return errors::node_not_found(id);
    if (!inner_.node_live(*n)) return errors::node_not_in_graph(id);
    return &inner_.node_for_change(*n);
}

Result<uint32_t> PropertyGraph::update_node(std::string_view id, const Properties& properties) {
    auto node = node_for_update(id);
    if (!node) return node.failure();
    node.value()->properties.update(properties);
    return *find_node(id);
}

Result<uint32_t> PropertyGraph::set_node_property(std::string_view id, std::string key, Value value) {
    auto node = node_for_update(id);
    if (!node) return node.failure();
    node.value()->properties.insert_or_assign(std::move(key), std::move(value));
    return *find_node(id);
}

Result<PropertyGraph> PropertyGraph::subgraph(const std::vector<std::string_view>& ids) const {
    PropertyGraph out(directed(), multi_, name_);
    out.id_index_.reserve(ids.size());
    // Each chosen node's slot in `out`, by its slot here.
    std::vector<uint32_t> slot_in_out(inner_.node_slots(), END);
    for (std::string_view id : ids) {
        auto n = find_node(id);
        if (!n) return errors::node_not_found(id);
        auto r = out.add_node(id, inner_.node(*n).properties);
        if (!r) return r.failure();
        slot_in_out[*n] = r.value();
    }
    // On the undirected kind only the first edge (slot order) per unordered
    // pair is copied.
    PairFilter first_of_pair(false);
    inner_.for_each_edge([&](uint32_t, EdgeEnds ends, const EdgeData& d) {
        const uint32_t s = slot_in_out[ends.source], t = slot_in_out[ends.target];
        if (s == END || t == END) return;
        if (!directed() && !first_of_pair.first(ends.source, ends.target)) return;
        (void)out.add_edge_at(s, t, d.properties);  // a refused edge is skipped
    });
    return out;
}

namespace {

// Whether a map holds `value` under `key`. Maps that share one body (a
// loaded graph's edges of one predicate) share one answer, worked out once
// per body in any order, and a long string is recognised where it lies: a
// long value shared by many maps is compared once, not once per map.
class HasProperty {
public:
    HasProperty(std::string_view key, const Value& value)
        : key_(key),
          value_(value),
          is_text_(value.as_string() != nullptr),
          text_(is_text_ ? *value.as_string() : std::string_view()) {}
    // The maps must stay in place while the test is used.
    bool operator()(const Properties& p) {
        const void* body = p.shared_body();
        if (!body) return holds(p);
        return answers_.get(memo_key(body), 0, [&] { return uint8_t(holds(p)); });
    }

private:
    bool holds(const Properties& p) {
        const Value* v = p.find(key_);
        const std::string* s = v ? v->as_string() : nullptr;
        return s && is_text_ ? text_(*s) : v && *v == value_;
    }

    std::string_view key_;
    const Value& value_;
    bool is_text_;
    TextMatch text_;
    SharedMemo<uint8_t> answers_;  // not bool: a vector of bools hands out no references
};

}  // namespace

std::vector<std::string_view> nodes_with_property(const PropertyGraph& g, std::string_view key, const Value& value) {
    std::vector<std::string_view> out;
    HasProperty has(key, value);
    g.store().for_each_node([&](uint32_t, const NodeData& d) {
        if (has(d.properties)) out.push_back(d.id);
    });
    return out;
}

std::vector<PropertyGraph::EdgeView> edges_with_property(const PropertyGraph& g, std::string_view key,
                                                         const Value& value) {
    std::vector<PropertyGraph::EdgeView> out;
    const GraphInner& s = g.store();
    HasProperty has(key, value);
    s.for_each_edge([&](uint32_t, EdgeEnds ends, const EdgeData& d) {
        if (has(d.properties)) out.push_back({s.id_of(ends.source), s.id_of(ends.target), &d});
    });
    return out;
}

}  // namespace vg
