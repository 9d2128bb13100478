// The one way to read a graph's neighbours.
//
// A direction names a walk of the store's lists:
//   Out         the outgoing list: each edge and its target
//   In          the incoming list: each edge and its source
//   Undirected  outgoing, then incoming without self-loops: each incident
//               edge once
//   Both        outgoing, then all of incoming: a self-loop twice
//   Neighbors   the traversal walk: Out on the directed kind, Undirected on
//               the undirected kind
// Out and In follow the stored direction on both graph kinds. In walk
// order a node's edges come newest first; in slot order, by ascending
// edge slot.
//
// Searches that may touch only a few nodes walk the lists in place:
//
//     for_each_neighbor(s, n, Direction::In, [&](uint32_t edge, uint32_t other) { ... });
//     NeighborCursor c(s, n, Direction::Neighbors);    // resumable, for own stacks
//     while (c.next(edge, other)) ...
//     NeighborSource nb(s, Direction::Out);            // lists, or the snapshot once it pays
//
// Whole-graph and multi-pass algorithms read the snapshot: each walk as
// flat arrays, built on first use and kept with the graph until its next
// change (the reference stays valid while the shared borrow is held):
//
//     const Rows& adj = rows(s, Direction::Neighbors);
//     for (uint32_t i = adj.begin(n); i < adj.end(n); ++i)
//         visit(adj.targets[i], adj.edges[i]);          // other end, edge slot
//     EdgeWeights w = entry_weights(s, Direction::Neighbors, RowOrder::Walk, "weight");  // w[i]
//
// dense_rows() gives the same entries over positions (live nodes numbered
// 0 .. N-1 in slot order) for algorithms that keep per-node arrays; its
// entry i is entry i of rows(), so weights serve both.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/graph/edge_rules.hpp"
#include "core/graph/graph.hpp"
#include "core/graph/store.hpp"
#include "core/graph/store_links.hpp"

namespace vg {

enum class Direction : uint8_t { Out, In, Undirected, Both, Neighbors };
enum class RowOrder : uint8_t { Walk, Slot };

// Neighbors resolved by the graph's kind.
inline Direction resolve(const GraphInner& s, Direction d) {
    if (d != Direction::Neighbors) return d;
    return s.is_directed() ? Direction::Out : Direction::Undirected;
}

// ---- Lists in place --------------------------------------------------

// f(edge, other end) for each edge of n's walk `d`, in walk order.
template <class F>
void for_each_neighbor(const GraphInner& s, uint32_t n, Direction d, F&& f) {
    d = resolve(s, d);
    if (d != Direction::In)
        for (uint32_t e = StoreLinks::head(s, n, 0); e != END; e = StoreLinks::next(s, e, 0))
            f(e, StoreLinks::far(s, e, 0));
    if (d == Direction::Out) return;
    for (uint32_t e = StoreLinks::head(s, n, 1); e != END; e = StoreLinks::next(s, e, 1)) {
        const uint32_t other = StoreLinks::far(s, e, 1);
        if (d == Direction::Undirected && other == n) continue;
        f(e, other);
    }
}

// The number of entries of n's walk `d`.
inline uint64_t walk_length(const GraphInner& s, uint32_t n, Direction d) {
    uint64_t count = 0;
    for_each_neighbor(s, n, d, [&](uint32_t, uint32_t) { ++count; });
    return count;
}

struct Rows;

// A resumable walk of one node: over the store's lists, or over a row of
// the snapshot when one is given. Both yield the same entries in the same
// order.
class NeighborCursor {
public:
    NeighborCursor(const GraphInner& s, uint32_t n, Direction d);
    NeighborCursor(const Rows& rows, uint32_t n);

    uint32_t node() const { return node_; }
    // Steps to the next entry; false at the end of the walk.
    bool next(uint32_t& edge, uint32_t& other) {
        if (store_) return next_in_lists(edge, other);
        if (at_ == end_) return false;
        edge = edges_[at_];
        other = targets_[at_++];
        return true;
    }

private:
    bool next_in_lists(uint32_t& edge, uint32_t& other);

    const GraphInner* store_ = nullptr;
    const uint32_t* targets_ = nullptr;  // snapshot mode
    const uint32_t* edges_ = nullptr;
    uint32_t node_;
    uint32_t at_;   // list mode: the next edge; snapshot mode: the next entry
    uint32_t end_;  // snapshot mode: the row's end
    Direction dir_ = Direction::Out;
    uint8_t list_ = 0;  // list mode: 0 outgoing, 1 incoming
};

// ---- The snapshot ------------------------------------------------------

// A walk of every node as flat arrays: the entries of node n (a slot, or a
// position in dense_rows) are first[n] .. first[n + 1]. Vacant slots have
// empty rows.
struct Rows {
    std::span<const uint32_t> first;
    std::span<const uint32_t> targets;  // the other end of each entry's edge
    std::span<const uint32_t> edges;    // the edge slot of each entry

    uint32_t begin(uint32_t n) const { return first[n]; }
    uint32_t end(uint32_t n) const { return first[n + 1]; }
    uint32_t degree(uint32_t n) const { return first[n + 1] - first[n]; }
    std::span<const uint32_t> row(uint32_t n) const { return targets.subspan(first[n], degree(n)); }
};

// The cached rows of walk `d`. Entry numbers are 32-bit: a walk of 2^32
// entries or more is refused as an internal failure.
const Rows& rows(const GraphInner& s, Direction d, RowOrder order = RowOrder::Walk);
// The rows if some earlier call built them, else null.
const Rows* cached_rows(const GraphInner& s, Direction d, RowOrder order = RowOrder::Walk);

// Rows of walk `d` in slot order over the live edges `keep(edge)` accepts,
// made for the caller alone.
struct FilteredRows {
    std::vector<uint32_t> first, targets, edges;
    Rows view() const { return Rows{first, targets, edges}; }
};
FilteredRows filtered_rows(const GraphInner& s, Direction d, const std::function<bool(uint32_t)>& keep);

// Live nodes numbered 0 .. N-1 in slot order.
struct Positions {
    std::span<const uint32_t> slot;  // position -> node slot
    std::span<const uint32_t> pos;   // node slot -> position, END for a vacant slot
    uint32_t size() const { return uint32_t(slot.size()); }
};
const Positions& positions(const GraphInner& s);
// rows(s, d, order) over positions: the same entries, renumbered.
const Rows& dense_rows(const GraphInner& s, Direction d, RowOrder order = RowOrder::Walk);

// The live edges in slot order, with their stored endpoints.
struct EdgeList {
    std::span<const uint32_t> source;
    std::span<const uint32_t> target;
    std::span<const uint32_t> edge;  // slot numbers, ascending
};
const EdgeList& edge_list(const GraphInner& s);

// A weight per entry of a walk (or per entry of edge_list), under one key;
// held by the graph's cache or by this handle alone.
class EdgeWeights {
public:
    EdgeWeights() = default;
    explicit EdgeWeights(std::shared_ptr<const std::vector<double>> held) : held_(std::move(held)) {
        data_ = held_->data();
    }
    double operator[](size_t i) const { return data_[i]; }

private:
    std::shared_ptr<const std::vector<double>> held_;
    const double* data_ = nullptr;
};
EdgeWeights entry_weights(const GraphInner& s, Direction d, RowOrder order, std::string_view key);
EdgeWeights edge_list_weights(const GraphInner& s, std::string_view key);

// Neighbours for searches that may touch only a few nodes: the snapshot if
// an earlier call built it, else the store's lists until the search has
// taken about as many steps as a snapshot build costs, then the snapshot.
// In walk order lists and rows agree, so the search cannot tell which it
// read; RowOrder::Slot (cheaper to build) is for searches whose answer
// does not depend on the order of a node's entries.
class NeighborSource {
public:
    NeighborSource(const GraphInner& s, Direction d, RowOrder order = RowOrder::Walk);

    template <class F>
    void for_each(uint32_t n, F&& f) {
        if (!rows_ && steps_ > budget_) rows_ = &rows(s_, d_, order_);
        if (rows_) {
            for (uint32_t i = rows_->begin(n), end = rows_->end(n); i < end; ++i) f(rows_->edges[i], rows_->targets[i]);
            return;
        }
        for_each_neighbor(s_, n, d_, [&](uint32_t e, uint32_t other) {
            ++steps_;
            f(e, other);
        });
    }
    // A resumable walk of n. Steps the caller took on earlier cursors count
    // toward the budget once reported with took().
    NeighborCursor cursor(uint32_t n) {
        if (!rows_ && steps_ > budget_) rows_ = &rows(s_, d_, order_);
        return rows_ ? NeighborCursor(*rows_, n) : NeighborCursor(s_, n, d_);
    }
    void took(uint64_t steps) { steps_ += steps; }

private:
    const GraphInner& s_;
    Direction d_;
    RowOrder order_;
    const Rows* rows_;
    uint64_t steps_ = 0;
    uint64_t budget_;
};

}  // namespace vg
