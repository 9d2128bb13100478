// Ctrl-C for long computations of the core: the core polls a hook, the
// hook asks the interpreter to run its signal handlers, and a handler that
// raised (KeyboardInterrupt) stops the computation with that exception.
#pragma once
#include <utility>

#include "core/support/interrupt.hpp"
#include "python/pyref.hpp"

namespace vg::py {

inline bool poll_signals(void*) { return PyErr_CheckSignals() < 0; }
inline const Interrupt kSignalHook{&poll_signals, nullptr};

// Runs f (which is given the hook); an interruption leaves the handler's
// exception set and becomes a Python failure.
template <class F>
auto interruptible(F&& f) -> decltype(f(&kSignalHook)) {
    try {
        return f(&kSignalHook);
    } catch (const Interrupted&) {
        throw_error_set();
    }
}

}  // namespace vg::py
