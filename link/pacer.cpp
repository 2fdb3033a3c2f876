#include "link/pacer.h"

#include <numeric>

#ifdef __linux__
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#else
#include <thread>
#endif

namespace vorlix {

// How a pause is slept, chosen by measurement (FIGURES).
//
// On Windows the timer ticks every 15.6 ms unless the platform layer raises its resolution
// (timeBeginPeriod(1)); even then a sleep wakes up to about 1 ms late, so a margin of 1.5 ms
// keeps pauses exact there, at the price of spinning through most of every 2 ms pause. The
// split is the same code on every platform; only the margin differs.

namespace {

#ifdef __linux__
// The kernel may defer a sleeping thread's wake-up by its timer slack (50 us by default) to
// batch wake-ups; the pacer's thread asks for none, once.
void reduceTimerSlack() {
    thread_local const bool reduced = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)reduced;
}

// Sleeps to an absolute time on CLOCK_MONOTONIC, the clock behind steady_clock here, so a
// wake-up that comes late does not shift the deadline.
void sleepUntil(RealPacer::Clock::time_point until) {
    reduceTimerSlack();
    const auto since =
        std::chrono::duration_cast<std::chrono::nanoseconds>(until.time_since_epoch());
    timespec at{};
    at.tv_sec = static_cast<time_t>(since.count() / 1'000'000'000);
    at.tv_nsec = static_cast<long>(since.count() % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}
#else
void sleepUntil(RealPacer::Clock::time_point until) {
    std::this_thread::sleep_until(until);
}
#endif

}  // namespace

void RealPacer::waitUntil(Clock::time_point deadline) const {
    const Clock::time_point wake = deadline - spinMargin_;
    if (Clock::now() < wake) sleepUntil(wake);
    while (Clock::now() < deadline) {
    }
}

void RealPacer::sleepMs(unsigned ms) {
    waitUntil(Clock::now() + std::chrono::milliseconds(ms));
}

void RealPacer::sleepMsWhile(unsigned ms, const std::function<void()>& work) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    work();
    waitUntil(deadline);
}

void VirtualPacer::sleepMs(unsigned ms) {
    pauses_.push_back(ms);
}

std::uint64_t VirtualPacer::totalMs() const {
    return std::accumulate(pauses_.begin(), pauses_.end(), std::uint64_t{0});
}

}  // namespace vorlix
