// A way to abandon a long computation from outside without the core
// knowing why: the caller supplies a poll function, the computation calls
// it every few thousand steps and throws Interrupted when it answers true.
#pragma once
#include <cstdint>
#include <exception>

namespace vg {

struct Interrupt {
    bool (*poll)(void* context) = nullptr;
    void* context = nullptr;
};

struct Interrupted : std::exception {
    const char* what() const noexcept override { return "computation interrupted"; }
};

class InterruptCheck {
public:
    explicit InterruptCheck(const Interrupt* hook) : hook_(hook && hook->poll ? hook : nullptr) {}
    // Counts one unit of work; polls once every 4096 units.
    void tick() {
        if (hook_ && (++steps_ & 4095u) == 0 && hook_->poll(hook_->context)) throw Interrupted();
    }

private:
    const Interrupt* hook_;
    uint32_t steps_ = 0;
};

}  // namespace vg
