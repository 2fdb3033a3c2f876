#pragma once
// How a pause sleeps on Windows. Windows' ordinary sleep ends on the system timer's tick,
// 15.6 ms unless raised, and even at 1 ms it wakes a millisecond or two late: a camera read's
// 2 ms pause would last 3 or 4. A high-resolution waitable timer (Windows 10 1803 and later)
// wakes within about half a millisecond of its time. The program hands the timer to its pacer
// as the pacer's sleeper (app/platform_sleeper.h): this layer knows no pacer.
#include <chrono>
#include <memory>
#include <string_view>

namespace vorlix::win32 {

// One of Windows' ways to put the thread to sleep until a time on the monotonic clock, with the
// lateness it has in waking it (the pacer spins that last part) and its name.
class PauseTimer {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~PauseTimer() = default;
    virtual void sleepUntil(Clock::time_point until) = 0;
    virtual Clock::duration spinMargin() const = 0;
    virtual std::string_view method() const = 0;
};

// Opens a high-resolution waitable timer; null where Windows has none (it refuses the flag).
// Its handle is a HANDLE.
using TimerOpener = void* (*)();
void* openHighResolutionTimer();

// The waitable timer that opener gives, spinning the last millisecond; where it gives none,
// Windows' ordinary sleep with the system timer at 1 ms while the timer lives, spinning the
// last 2 ms.
std::unique_ptr<PauseTimer> pauseTimerFor(TimerOpener opener);

}  // namespace vorlix::win32
