#pragma once
// SIGINT, SIGTERM and SIGHUP end a run the way closing the window does: the transaction on the
// bus completes, the simulated camera's state is saved, the program exits with 128 + the
// signal's number (130, 143, 129). The handler itself only notes the signal (and wakes an
// idle window through a pipe); the program acts on it at its own safe points: before the
// next bus transaction starts (InterruptibleAdapter), between two actions of a headless
// script, and when the window's event loop sees the wake-up. SIGPIPE is ignored, so that
// writing to a pipe whose reader has gone is a write error the program tells, not a silent
// death that loses the session.
#include <functional>

#include "link/adapter_decorator.h"

namespace vorlix::app {

// Installs the handlers. Once per program, before the run starts.
void installInterruptHandlers();
// The signal that asked the run to end, or 0.
int pendingInterrupt();
// 128 + the signal's number.
int interruptExitStatus(int signal);
// A descriptor that becomes readable when a signal arrives (-1 where there is none), for an
// event loop that must wake from idle.
int interruptWakeDescriptor();

// Decorates an adapter: a pending interrupt is acted on before a transaction opens, so the one
// on the bus always completes and nothing follows it. onInterrupt must not return.
class InterruptibleAdapter : public AdapterDecorator {
public:
    InterruptibleAdapter(Adapter& inner, std::function<void()> onInterrupt)
        : AdapterDecorator(inner), onInterrupt_(std::move(onInterrupt)) {}

    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override {
        if (pendingInterrupt() != 0) onInterrupt_();
        return AdapterDecorator::open(slave, timeout, speed);
    }

private:
    std::function<void()> onInterrupt_;
};

}  // namespace vorlix::app
