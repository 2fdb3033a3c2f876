#pragma once
// Every fixed pause of the tool goes through one pacer, so that tests and the trace see each
// pause in its place and a virtual clock can stand in for the real one.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
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

// One way of putting the thread to sleep until a time on the monotonic clock: the operating
// system's part of a real pause. It may wake late, by about spinMargin() at most as a rule,
// and it may wake early; the pacer spins out what is left, so neither ends a pause early.
class Sleeper {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~Sleeper() = default;
    virtual void sleepUntil(Clock::time_point until) = 0;
    // How long before a deadline the sleep ends and the spin begins: this timer's usual
    // lateness in waking the thread. Spinning costs CPU for that long on every pause; a margin
    // below the lateness lets pauses overshoot instead.
    virtual Clock::duration spinMargin() const = 0;
    // How it sleeps, as one word for the benchmark's lines ("clock_nanosleep").
    virtual std::string_view method() const = 0;
};

// The sleeper this layer has: on Linux clock_nanosleep to an absolute time; elsewhere the
// standard library's sleep_until with a 2 ms margin, the lateness of a coarse timer. Windows'
// own timers belong to its platform layer, and the program hands them to its pacer through
// TimerSleeper (app/platform_sleeper.h).
std::unique_ptr<Sleeper> systemSleeper();

// A platform's timer, any object with sleepUntil, spinMargin and method as a Sleeper has them,
// kept outside this layer and handed to a pacer.
template <class Timer>
class TimerSleeper : public Sleeper {
public:
    explicit TimerSleeper(std::unique_ptr<Timer> timer) : timer_(std::move(timer)) {}
    void sleepUntil(Clock::time_point until) override { timer_->sleepUntil(until); }
    Clock::duration spinMargin() const override { return timer_->spinMargin(); }
    std::string_view method() const override { return timer_->method(); }

private:
    std::unique_ptr<Timer> timer_;
};

// Sleeps for real: the camera needs its pauses. A pause never ends before its deadline on the
// clock; the sleeper takes it to within its spin margin of the deadline, and a spin on the
// clock finishes it, so it ends microseconds after the deadline rather than a timer's
// lateness after it.
class RealPacer : public Pacer {
public:
    using Clock = Sleeper::Clock;
    using Now = std::function<Clock::time_point()>;

    // The platform's sleeper on the monotonic clock.
    RealPacer();
    // Any sleeper and clock: tests drive both.
    explicit RealPacer(std::unique_ptr<Sleeper> sleeper, Now now = &Clock::now);

    void sleepMs(unsigned ms) override;
    void sleepMsWhile(unsigned ms, const std::function<void()>& work) override;

    const Sleeper& sleeper() const { return *sleeper_; }

    // Returns at the deadline or just after it, never before. While more than the spin margin
    // is left it sleeps (again, after an early wake-up), then it spins.
    void waitUntil(Clock::time_point deadline) const;

private:
    std::unique_ptr<Sleeper> sleeper_;
    Now now_;
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
