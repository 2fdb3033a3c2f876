#include "win32/pause_timer.h"

#include <windows.h>
// windows.h first: the multimedia timer's header needs its types.
#include <mmsystem.h>

#include <chrono>

// Debian 12's mingw-w64 headers predate the flag (Windows 10 1803).
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace vorlix::win32 {

namespace {

using Clock = PauseTimer::Clock;
using Ticks = std::chrono::duration<LONGLONG, std::ratio<1, 10'000'000>>;  // 100 ns

// The timer runs on a half-millisecond period and fires up to about one period late, more
// when the scheduler is slow to run the thread: a millisecond of spin covers that.
class HighResolutionTimer : public PauseTimer {
public:
    explicit HighResolutionTimer(HANDLE timer) : timer_(timer) {}
    ~HighResolutionTimer() override { CloseHandle(timer_); }
    HighResolutionTimer(const HighResolutionTimer&) = delete;
    HighResolutionTimer& operator=(const HighResolutionTimer&) = delete;

    void sleepUntil(Clock::time_point until) override {
        const LONGLONG left = std::chrono::ceil<Ticks>(until - Clock::now()).count();
        if (left <= 0) return;
        LARGE_INTEGER due{};
        due.QuadPart = -left;  // negative: relative to now
        // A timer that cannot be set leaves the pause to the spin: longer on the CPU, as exact.
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE))
            WaitForSingleObject(timer_, INFINITE);
    }
    Clock::duration spinMargin() const override { return std::chrono::milliseconds(1); }
    std::string_view method() const override { return "high_resolution_timer"; }

private:
    HANDLE timer_;
};

// With the system timer at 1 ms, Sleep ends on the first tick after its time, and the thread
// runs some time after that: up to about 2 ms late. A camera read's 2 ms pause is then all
// spin; the longer pauses sleep most of their time.
class TimerPeriodSleep : public PauseTimer {
public:
    TimerPeriodSleep() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~TimerPeriodSleep() override {
        if (raised_) timeEndPeriod(1);
    }
    TimerPeriodSleep(const TimerPeriodSleep&) = delete;
    TimerPeriodSleep& operator=(const TimerPeriodSleep&) = delete;

    void sleepUntil(Clock::time_point until) override {
        const auto left = std::chrono::floor<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() > 0) Sleep(static_cast<DWORD>(left.count()));
    }
    Clock::duration spinMargin() const override { return std::chrono::milliseconds(2); }
    std::string_view method() const override { return "sleep_timer_1ms"; }

private:
    bool raised_;
};

}  // namespace

void* openHighResolutionTimer() {
    return CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                  TIMER_MODIFY_STATE | SYNCHRONIZE);
}

std::unique_ptr<PauseTimer> pauseTimerFor(TimerOpener opener) {
    if (const HANDLE timer = opener()) return std::make_unique<HighResolutionTimer>(timer);
    return std::make_unique<TimerPeriodSleep>();
}

}  // namespace vorlix::win32
