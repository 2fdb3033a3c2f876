#include "link/pacer.h"

#include <numeric>
#include <thread>
#include <utility>

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#endif

namespace vorlix {

namespace {

#ifdef __linux__
// 100 us covers the usual lateness of an absolute sleep with no timer slack, for about 3 % of
// CPU; the measurements behind the choice are in the README's Performance section.
class LinuxSleeper : public Sleeper {
public:
    void sleepUntil(Clock::time_point until) override {
        prepareThreadForPauses();
        const auto since =
            std::chrono::duration_cast<std::chrono::nanoseconds>(until.time_since_epoch());
        timespec at{};
        at.tv_sec = static_cast<time_t>(since.count() / 1'000'000'000);
        at.tv_nsec = static_cast<long>(since.count() % 1'000'000'000);
        // CLOCK_MONOTONIC is the clock behind steady_clock here; an absolute time keeps a
        // late wake-up or a signal from shifting the deadline.
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
        }
    }
    Clock::duration spinMargin() const override { return std::chrono::microseconds(100); }
    std::string_view method() const override { return "clock_nanosleep"; }

private:
    // The scheduler's time slice the pacer's thread asks for. Since Linux 6.12 a thread with
    // a shorter slice than the running one takes the CPU as soon as it wakes rather than at
    // the end of the other's slice; older kernels ignore the request.
    static constexpr std::uint64_t kSchedulerSliceNs = 100'000;

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
    static void prepareThreadForPauses() {
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
};
#else
// A platform without a sleeper of its own here; Windows' better ones are its platform layer's.
class PortableSleeper : public Sleeper {
public:
    void sleepUntil(Clock::time_point until) override { std::this_thread::sleep_until(until); }
    Clock::duration spinMargin() const override { return std::chrono::milliseconds(2); }
    std::string_view method() const override { return "sleep_until"; }
};
#endif

}  // namespace

std::unique_ptr<Sleeper> systemSleeper() {
#ifdef __linux__
    return std::make_unique<LinuxSleeper>();
#else
    return std::make_unique<PortableSleeper>();
#endif
}

RealPacer::RealPacer() : RealPacer(systemSleeper()) {}

RealPacer::RealPacer(std::unique_ptr<Sleeper> sleeper, Now now)
    : sleeper_(std::move(sleeper)), now_(std::move(now)) {}

void RealPacer::waitUntil(Clock::time_point deadline) const {
    const Clock::time_point wake = deadline - sleeper_->spinMargin();
    while (now_() < wake) sleeper_->sleepUntil(wake);
    while (now_() < deadline) {
    }
}

void RealPacer::sleepMs(unsigned ms) {
    waitUntil(now_() + std::chrono::milliseconds(ms));
}

void RealPacer::sleepMsWhile(unsigned ms, const std::function<void()>& work) {
    const Clock::time_point deadline = now_() + std::chrono::milliseconds(ms);
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
