#pragma once
// Every fixed pause of the tool goes through one pacer, so that tests and the trace see each
// pause in its place and a virtual clock can stand in for the real one.
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace vorlix {

class Pacer {
public:
    virtual ~Pacer() = default;
    // Pause for whole milliseconds.
    virtual void sleepMs(unsigned ms) = 0;
    // The same pause with work done inside it (the window repainting, say): the work starts
    // the pause, and the pause ends ms after the call or when the work is done, whichever is
    // later. The camera sees the same quiet bus; the work costs no time of its own unless it
    // outlasts the pause.
    virtual void sleepMsWhile(unsigned ms, const std::function<void()>& work) {
        work();
        sleepMs(ms);
    }
};

// Sleeps for real: the camera needs its pauses. A pause never ends before its deadline on the
// monotonic clock; the operating system's sleep takes it to within spinMargin() of the
// deadline, and a spin on the clock finishes it, so it ends microseconds after the deadline
// rather than a timer's lateness after it.
class RealPacer : public Pacer {
public:
    using Clock = std::chrono::steady_clock;

    // How long before the deadline the sleep ends and the spin begins: the operating
    // system's usual lateness in waking the thread. Spinning costs CPU for that long on every
    // pause; a margin below the lateness lets pauses overshoot instead.
    static constexpr Clock::duration kDefaultSpinMargin = std::chrono::microseconds(100);

    explicit RealPacer(Clock::duration spinMargin = kDefaultSpinMargin) : spinMargin_(spinMargin) {}

    void sleepMs(unsigned ms) override;
    void sleepMsWhile(unsigned ms, const std::function<void()>& work) override;

    // A platform with a coarser timer sets a wider margin (see pacer.cpp).
    void setSpinMargin(Clock::duration margin) { spinMargin_ = margin; }
    Clock::duration spinMargin() const { return spinMargin_; }

    // Returns at the deadline or just after it, never before.
    void waitUntil(Clock::time_point deadline) const;

private:
    Clock::duration spinMargin_;
};

// Records the pauses and returns at once.
class VirtualPacer : public Pacer {
public:
    void sleepMs(unsigned ms) override;
    const std::vector<unsigned>& pauses() const { return pauses_; }
    std::uint64_t totalMs() const;

private:
    std::vector<unsigned> pauses_;
};

}  // namespace vorlix
