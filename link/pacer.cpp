#include "link/pacer.h"

#include <numeric>

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#else
#include <thread>
#endif

namespace vorlix {

// How a pause is slept, chosen by measurement. 2 ms pauses on a 2-CPU AMD EPYC virtual
// machine (Linux 6.18), the ways taking turns so that all of them see the same load, 200
// pauses each: lateness past the deadline (median, least) and CPU time as a share of the wall:
//
//   std::this_thread::sleep_for                       92 us    74 us    1.1 %
//   std::this_thread::sleep_until (a relative sleep)  92 us    65 us    1.2 %
//   clock_nanosleep, TIMER_ABSTIME                    90 us    35 us    1.0 %
//     with the thread's timer slack at 1 ns           38 us    24 us    1.1 %
//     to 50 us before the deadline, then spin        0.1 us     0 us    1.7 %
//     to 100 us before, then spin                    0.1 us     0 us    3.4 %
//     to 200 us before, then spin                    0.1 us     0 us    7.4 %
//
// Sleeping alone leaves every pause 40-90 us late, which is 2-5 % on the read-back's 2 ms
// pauses; the spin removes it. 100 us covers the usual wake-up lateness with the slack
// reduced (its tail, not only its median) at about 3 % CPU; 200 us buys little more for
// twice the CPU. The machine was shared with compilers (load 8-10 on 2 CPUs): then the means
// are 0.2-0.5 ms for every way alike, the wait for a CPU after waking, which no way of
// sleeping avoids.
//
// On Windows the timer ticks every 15.6 ms unless the platform layer raises its resolution
// (timeBeginPeriod(1)); even then a sleep wakes up to about 1-2 ms late, so pauses stay exact
// only with a margin of about 2 ms there (RealPacer::setSpinMargin), spinning through most of
// each 2 ms pause. That was not measured here; the platform layer owns the figure. The split
// is the same code on every platform; only the margin differs.

namespace {

#ifdef __linux__
// The scheduler's time slice the pacer's thread asks for. Since Linux 6.12 a thread with a
// shorter slice than the running one takes the CPU as soon as it wakes rather than at the
// end of the other's slice; older kernels ignore the request. Measured on the machine above
// under a load of 3-5, median of five runs each (wall time / pauses): read-back 1.044 without
// it, 1.025 with it; Push2White 1.058 and 1.027; program + verify 1.024 and 1.019.
constexpr std::uint64_t kSchedulerSliceNs = 100'000;

// struct sched_attr of the kernel's first version (48 bytes): glibc has no wrapper.
struct SchedulerAttributes {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;  // the slice, for a normal thread
    std::uint64_t deadline;
    std::uint64_t period;
};

// Once per thread: no timer slack (the kernel may otherwise defer a wake-up by 50 us to
// batch wake-ups), and a short scheduler slice. The thread keeps its policy and nice value.
void prepareThreadForPauses() {
    thread_local const bool prepared = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        SchedulerAttributes attr{};
        if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) == 0) {
            attr.size = sizeof attr;
            attr.runtime = kSchedulerSliceNs;
            syscall(SYS_sched_setattr, 0, &attr, 0);
        }
        return true;
    }();
    (void)prepared;
}

// Sleeps to an absolute time on CLOCK_MONOTONIC, the clock behind steady_clock here, so a
// wake-up that comes late does not shift the deadline.
void sleepUntil(RealPacer::Clock::time_point until) {
    prepareThreadForPauses();
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
