// The adjacency cursor, and the snapshot with the tables beside it.
#include "core/graph/adjacency.hpp"

#include <array>
#include <string>

namespace vg {

// ---- Cursor -------------------------------------------------------------

NeighborCursor::NeighborCursor(const GraphInner& s, uint32_t n, Direction d) : store_(&s), node_(n), end_(0) {
    dir_ = resolve(s, d);
    list_ = dir_ == Direction::In ? 1 : 0;
    at_ = StoreLinks::head(s, n, list_);
}

NeighborCursor::NeighborCursor(const Rows& rows, uint32_t n)
    : targets_(rows.targets.data()), edges_(rows.edges.data()), node_(n), at_(rows.begin(n)), end_(rows.end(n)) {}

bool NeighborCursor::next_in_lists(uint32_t& edge, uint32_t& other) {
    for (;;) {
        if (at_ == END) {
            if (list_ == 1 || dir_ == Direction::Out) return false;
            list_ = 1;
            at_ = StoreLinks::head(*store_, node_, 1);
            continue;
        }
        edge = at_;
        other = StoreLinks::far(*store_, at_, list_);
        at_ = StoreLinks::next(*store_, at_, list_);
        if (list_ == 1 && dir_ == Direction::Undirected && other == node_) continue;
        return true;
    }
}

NeighborSource::NeighborSource(const GraphInner& s, Direction d, RowOrder order)
    : s_(s), d_(resolve(s, d)), order_(order), rows_(cached_rows(s, d, order)), budget_(s.edge_count() / 16) {}

// ---- Snapshot -------------------------------------------------------------

namespace {

// Cache slots: rows per (direction, order), their dense views, then the
// positions and the edge list.
constexpr size_t kWalks = 4;
constexpr size_t kPositions = 4 * kWalks;
constexpr size_t kEdgeList = kPositions + 1;
static_assert(kEdgeList < DerivedCache::kSlots);

size_t rows_slot(Direction d, RowOrder order) { return size_t(d) + (order == RowOrder::Slot ? kWalks : 0); }
size_t dense_slot(Direction d, RowOrder order) { return 2 * kWalks + rows_slot(d, order); }

// The cached items own their arrays; the views handed out point into them.
struct OwnedRows {
    std::vector<uint32_t> first, targets, edges;
    Rows view;
    uint64_t generation = 0;
    void seal() { view = Rows{first, targets, edges}; }
};

struct OwnedPositions {
    std::vector<uint32_t> slot, pos;
    Positions view;
    uint64_t generation = 0;
};

struct OwnedEdgeList {
    std::vector<uint32_t> source, target, edge;
    EdgeList view;
    uint64_t generation = 0;
};

void check_fresh(uint64_t built, const GraphInner& s) {
    if (built != s.generation()) internal_failure("adjacency snapshot used after its graph changed");
}

// Walk d of node n has an outgoing part (list 0) unless it is In, and an
// incoming part (list 1) unless it is Out; the incoming part of the
// undirected walk leaves out self-loops.
bool has_out(Direction d) { return d != Direction::In; }
bool has_in(Direction d) { return d != Direction::Out; }

// Follows list k of every live node, several lists at once so that their
// loads overlap instead of waiting on each other, writing node n's
// entries from at[n] up to (not past) end[n].
void follow_lists(const GraphInner& s, int k, const std::vector<uint32_t>& at, const std::vector<uint32_t>& end,
                  bool skip_loops, OwnedRows& out) {
    constexpr size_t kLanes = 16;
    struct Lane {
        uint32_t node = END;
        uint32_t edge = END;
        uint32_t pos = 0;
    };
    std::array<Lane, kLanes> lanes{};
    const uint32_t slots = s.node_slots();
    uint32_t next_node = 0;
    auto refill = [&](Lane& lane) {
        while (next_node < slots) {
            const uint32_t v = next_node++;
            if (!s.node_live(v) || StoreLinks::head(s, v, k) == END) continue;
            lane = {v, StoreLinks::head(s, v, k), at[v]};
            s.prefetch_edge(lane.edge);
            return true;
        }
        lane.edge = END;
        return false;
    };
    size_t active = 0;
    for (Lane& lane : lanes)
        if (refill(lane)) ++active;
    while (active) {
        for (Lane& lane : lanes) {
            if (lane.edge == END) continue;
            const uint32_t other = StoreLinks::far(s, lane.edge, k);
            if (!(skip_loops && other == lane.node)) {
                if (lane.pos >= end[lane.node]) internal_failure("adjacency list longer than its node's edge count");
                out.targets[lane.pos] = other;
                out.edges[lane.pos] = lane.edge;
                ++lane.pos;
            }
            lane.edge = StoreLinks::next(s, lane.edge, k);
            if (lane.edge != END) s.prefetch_edge(lane.edge);
            else if (!refill(lane)) --active;
        }
    }
}

using EdgeFilter = std::function<bool(uint32_t)>;

// Entries per node: `own[n]` of the outgoing part, `back[n]` of the
// incoming part, counted from the edge slots (those `keep` accepts).
void count_entries(const GraphInner& s, Direction d, std::vector<uint32_t>& own, std::vector<uint32_t>& back,
                   const EdgeFilter* keep = nullptr) {
    own.assign(s.node_slots(), 0);
    back.assign(s.node_slots(), 0);
    uint64_t total = 0;
    s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        if (keep && !(*keep)(e)) return;
        if (has_out(d)) {
            ++own[x.source];
            ++total;
        }
        if (has_in(d) && !(d == Direction::Undirected && x.source == x.target)) {
            ++back[x.target];
            ++total;
        }
    });
    if (total > uint64_t(UINT32_MAX)) internal_failure("graph too large for a 32-bit adjacency snapshot");
}

// Walk order: each node's entries are counted from the edge slots, then its
// lists are followed into place.
OwnedRows walk_rows(const GraphInner& s, Direction d) {
    const size_t slots = s.node_slots();
    std::vector<uint32_t> own, back;
    count_entries(s, d, own, back);
    OwnedRows out;
    out.first.resize(slots + 1);
    uint32_t at = 0;
    for (size_t n = 0; n < slots; ++n) {
        out.first[n] = at;
        const uint32_t a = own[n], b = back[n];
        own[n] = at;  // now the cursor of the outgoing part
        back[n] = at + a;  // and of the incoming part
        at += a + b;
    }
    out.first[slots] = at;
    out.targets.resize(at);
    out.edges.resize(at);
    const std::vector<uint32_t> ends(out.first.begin() + 1, out.first.end());
    // The outgoing part ends where the incoming part starts.
    if (has_out(d)) follow_lists(s, 0, own, has_in(d) ? back : ends, false, out);
    if (has_in(d)) follow_lists(s, 1, back, ends, d == Direction::Undirected, out);
    return out;
}

// Slot order: one pass over the edge slots places each edge at its ends.
template <class Out>
Out slot_rows(const GraphInner& s, Direction d, const EdgeFilter* keep = nullptr) {
    const size_t slots = s.node_slots();
    std::vector<uint32_t> own, back;
    count_entries(s, d, own, back, keep);
    Out out;
    out.first.assign(slots + 1, 0);
    for (size_t n = 0; n < slots; ++n) out.first[n + 1] = out.first[n] + own[n] + back[n];
    out.targets.resize(out.first[slots]);
    out.edges.resize(out.first[slots]);
    std::vector<uint32_t> fill(out.first.begin(), out.first.end() - 1);
    s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        if (keep && !(*keep)(e)) return;
        if (has_out(d)) {
            const uint32_t i = fill[x.source]++;
            out.targets[i] = x.target;
            out.edges[i] = e;
        }
        if (has_in(d) && !(d == Direction::Undirected && x.source == x.target)) {
            const uint32_t i = fill[x.target]++;
            out.targets[i] = x.source;
            out.edges[i] = e;
        }
    });
    return out;
}

const OwnedRows& owned_rows(const GraphInner& s, Direction d, RowOrder order) {
    d = resolve(s, d);
    const OwnedRows& out = s.derived().get<OwnedRows>(rows_slot(d, order), [&] {
        OwnedRows r = order == RowOrder::Walk ? walk_rows(s, d) : slot_rows<OwnedRows>(s, d);
        r.generation = s.generation();
        r.seal();
        return r;
    });
    check_fresh(out.generation, s);
    return out;
}

// Weights of the given edge slots. Read in slot order first (records and
// their property maps lie about in allocation order, so the reads stream),
// then gathered into the order asked for.
std::vector<double> weights_of(const GraphInner& s, std::span<const uint32_t> edges, std::string_view key) {
    std::vector<double> by_slot(s.edge_slots(), 1.0);
    s.for_each_edge(
        [&](uint32_t e, EdgeEnds, const EdgeData& d) { by_slot[e] = edge_weight(d.properties, key); });
    std::vector<double> out(edges.size());
    for (size_t i = 0; i < edges.size(); ++i) out[i] = by_slot[edges[i]];
    return out;
}

}  // namespace

const Rows& rows(const GraphInner& s, Direction d, RowOrder order) { return owned_rows(s, d, order).view; }

const Rows* cached_rows(const GraphInner& s, Direction d, RowOrder order) {
    d = resolve(s, d);
    const OwnedRows* out = s.derived().peek<OwnedRows>(rows_slot(d, order));
    if (!out) return nullptr;
    check_fresh(out->generation, s);
    return &out->view;
}

FilteredRows filtered_rows(const GraphInner& s, Direction d, const EdgeFilter& keep) {
    return slot_rows<FilteredRows>(s, resolve(s, d), &keep);
}

const Positions& positions(const GraphInner& s) {
    const OwnedPositions& out = s.derived().get<OwnedPositions>(kPositions, [&] {
        OwnedPositions p;
        p.generation = s.generation();
        p.slot.reserve(s.node_count());
        p.pos.assign(s.node_slots(), END);
        s.for_each_node([&](uint32_t n, const NodeData&) {
            p.pos[n] = uint32_t(p.slot.size());
            p.slot.push_back(n);
        });
        p.view = Positions{p.slot, p.pos};
        return p;
    });
    check_fresh(out.generation, s);
    return out.view;
}

const Rows& dense_rows(const GraphInner& s, Direction d, RowOrder order) {
    d = resolve(s, d);
    const OwnedRows& slot_view = owned_rows(s, d, order);
    // Without vacant slots positions are slots: the rows serve as they are.
    if (s.node_count() == s.node_slots()) return slot_view.view;
    const Positions& at = positions(s);
    const OwnedRows& out = s.derived().get<OwnedRows>(dense_slot(d, order), [&] {
        OwnedRows r;
        r.generation = s.generation();
        r.first.resize(size_t(at.size()) + 1);
        for (uint32_t p = 0; p < at.size(); ++p) r.first[p] = slot_view.first[at.slot[p]];
        r.first[at.size()] = uint32_t(slot_view.targets.size());
        r.targets.resize(slot_view.targets.size());
        for (size_t i = 0; i < r.targets.size(); ++i) r.targets[i] = at.pos[slot_view.targets[i]];
        // Vacant slots have empty rows, so the entries keep their order
        // and their edge slots.
        r.view = Rows{r.first, r.targets, slot_view.edges};
        return r;
    });
    check_fresh(out.generation, s);
    return out.view;
}

const EdgeList& edge_list(const GraphInner& s) {
    const OwnedEdgeList& out = s.derived().get<OwnedEdgeList>(kEdgeList, [&] {
        OwnedEdgeList a;
        a.generation = s.generation();
        a.source.reserve(s.edge_count());
        a.target.reserve(s.edge_count());
        a.edge.reserve(s.edge_count());
        s.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
            a.source.push_back(x.source);
            a.target.push_back(x.target);
            a.edge.push_back(e);
        });
        a.view = EdgeList{a.source, a.target, a.edge};
        return a;
    });
    check_fresh(out.generation, s);
    return out.view;
}

EdgeWeights entry_weights(const GraphInner& s, Direction d, RowOrder order, std::string_view key) {
    d = resolve(s, d);
    const Rows& list = rows(s, d, order);
    // Keys are told apart by their walk: one byte in front of the name.
    std::string tag(1, char('A' + rows_slot(d, order)));
    tag += key;
    return EdgeWeights(
        s.derived().get_keyed<std::vector<double>>(tag, [&] { return weights_of(s, list.edges, key); }));
}

EdgeWeights edge_list_weights(const GraphInner& s, std::string_view key) {
    const EdgeList& edges = edge_list(s);
    std::string tag(1, char('A' + kEdgeList));
    tag += key;
    return EdgeWeights(
        s.derived().get_keyed<std::vector<double>>(tag, [&] { return weights_of(s, edges.edge, key); }));
}

}  // namespace vg
