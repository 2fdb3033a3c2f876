#pragma once
// How the pacer sleeps on Windows. Windows' ordinary sleep ends on the system timer's tick,
// 15.6 ms unless raised, and even at 1 ms it wakes a millisecond or two late: a camera read's
// 2 ms pause would last 3 or 4. A high-resolution waitable timer (Windows 10 1803 and later)
// wakes within about half a millisecond of its time.
#include <memory>

#include "link/pacer.h"

namespace vorlix::win32 {

// Opens a high-resolution waitable timer; null where Windows has none (it refuses the flag).
// Its handle is a HANDLE.
using TimerOpener = void* (*)();
void* openHighResolutionTimer();

// The waitable timer that opener gives, spinning the last millisecond; where it gives none,
// Windows' ordinary sleep with the system timer at 1 ms while the sleeper lives, spinning the
// last 2 ms. systemSleeper() is sleeperFor(openHighResolutionTimer).
std::unique_ptr<Sleeper> sleeperFor(TimerOpener opener);

}  // namespace vorlix::win32
