// Read-only structures derived from a graph (adjacency arrays, edge weight
// tables) kept beside it until its next change, so that algorithms run one
// after another on an unchanged graph share them.
//
// Readers hold the graph's shared borrow and may ask for the same item from
// several threads at once: the first builds it under the lock, the rest
// wait and then read it; later calls take it with one atomic load. Items are
// dropped only by clear(), which the graph calls from its mutating
// operations, which hold the exclusive borrow, so no reader can still be
// using them. A reference handed out stays valid until then.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vg {

class DerivedCache {
public:
    // Fixed items, one per kind of structure.
    static constexpr size_t kSlots = 20;
    // Keyed items (tables per property name) kept at most; further keys are
    // built for the caller alone.
    static constexpr size_t kKeyed = 4;

    DerivedCache() = default;
    // A copy or a moved-to graph starts with nothing cached: the items are
    // cheap to rebuild and are tied to the store they were built from.
    DerivedCache(const DerivedCache&) {}
    DerivedCache(DerivedCache&&) noexcept {}
    DerivedCache& operator=(const DerivedCache&) {
        clear();
        return *this;
    }
    DerivedCache& operator=(DerivedCache&&) noexcept {
        clear();
        return *this;
    }

    // The item in `slot`, made by build() on first use.
    template <class T, class Build>
    const T& get(size_t slot, Build&& build) const {
        if (const void* p = fast_[slot].load(std::memory_order_acquire)) return *static_cast<const T*>(p);
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (!held_[slot]) {
            std::shared_ptr<const T> made = std::make_shared<const T>(build());
            held_[slot] = made;
            filled_.store(true, std::memory_order_relaxed);
            fast_[slot].store(made.get(), std::memory_order_release);
        }
        return *static_cast<const T*>(held_[slot].get());
    }

    // The item in `slot` if it was made already, else null.
    template <class T>
    const T* peek(size_t slot) const {
        return static_cast<const T*>(fast_[slot].load(std::memory_order_acquire));
    }

    // The item for `key`, made by build() on first use; once kKeyed keys
    // are held, a new key's item is made for this caller only.
    template <class T, class Build>
    std::shared_ptr<const T> get_keyed(std::string_view key, Build&& build) const {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        for (const auto& [k, item] : keyed_)
            if (k == key) return std::static_pointer_cast<const T>(item);
        std::shared_ptr<const T> made = std::make_shared<const T>(build());
        if (keyed_.size() < kKeyed) {
            keyed_.emplace_back(std::string(key), made);
            filled_.store(true, std::memory_order_relaxed);
        }
        return made;
    }

    // Only with no reader left (the graph's exclusive borrow).
    void clear() noexcept {
        // Graph building changes the graph once per addition: nothing to do
        // then, as nothing was asked for.
        if (!filled_.load(std::memory_order_relaxed)) return;
        filled_.store(false, std::memory_order_relaxed);
        for (size_t i = 0; i < kSlots; ++i) {
            fast_[i].store(nullptr, std::memory_order_relaxed);
            held_[i].reset();
        }
        keyed_.clear();
    }

private:
    mutable std::recursive_mutex mutex_;
    mutable std::atomic<bool> filled_{false};
    mutable std::array<std::atomic<const void*>, kSlots> fast_{};
    mutable std::array<std::shared_ptr<const void>, kSlots> held_;
    mutable std::vector<std::pair<std::string, std::shared_ptr<const void>>> keyed_;
};

}  // namespace vg
