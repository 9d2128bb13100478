// Min-priority queue of (cost, node) for the weighted searches. Written out
// by hand because the pop order of equal costs is part of the searches'
// results, and std::priority_queue leaves it unspecified.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vg {

struct CostEntry {
    double cost;
    uint32_t node;
};

class CostQueue {
public:
    bool empty() const { return heap_.empty(); }
    size_t size() const { return heap_.size(); }

    void push(double cost, uint32_t node) {
        heap_.push_back({cost, node});
        climb(heap_.size() - 1, {cost, node});
    }

    // Takes the last entry out, sinks the hole left by the top straight to
    // the bottom along the better children (the second child on a tie),
    // then lets the last entry climb back from there.
    std::optional<CostEntry> pop() {
        if (heap_.empty()) return std::nullopt;
        CostEntry last = heap_.back();
        heap_.pop_back();
        if (heap_.empty()) return last;
        CostEntry top = heap_[0];
        const size_t end = heap_.size();
        size_t hole = 0, child = 1;
        while (child + 1 < end) {
            if (!better(heap_[child].cost, heap_[child + 1].cost)) ++child;
            heap_[hole] = heap_[child];
            hole = child;
            child = 2 * hole + 1;
        }
        if (child == end - 1) {
            heap_[hole] = heap_[child];
            hole = child;
        }
        climb(hole, last);
        return top;
    }

    // Lower cost first; NaN after every number; equal costs are equal.
    static bool better(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

private:
    // Moves `e` up from position i past strictly worse parents only.
    void climb(size_t i, CostEntry e) {
        while (i > 0) {
            size_t parent = (i - 1) / 2;
            if (!better(e.cost, heap_[parent].cost)) break;
            heap_[i] = heap_[parent];
            i = parent;
        }
        heap_[i] = e;
    }

    std::vector<CostEntry> heap_;
};

}  // namespace vg
