// How a pause sleeps on Windows: on the high-resolution timer where Windows gives one, else on
// the ordinary sleep with a wider spin; either way it never ends before its time.
#include "win32/pause_timer.h"

#include <gtest/gtest.h>

#include "link/pacer.h"

namespace vorlix::win32 {
namespace {

using std::chrono::milliseconds;

TEST(PauseTimer, TheHighResolutionTimerWhereWindowsHasOneElseTheOrdinarySleep) {
    struct Case {
        const char* what;
        TimerOpener opener;
        std::string_view method;
        milliseconds margin;
    };
    const Case cases[] = {
        {"Windows 10 1803 and later", openHighResolutionTimer, "high_resolution_timer",
         milliseconds(1)},
        {"older Windows, which refuses the flag", [] { return static_cast<void*>(nullptr); },
         "sleep_timer_1ms", milliseconds(2)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<PauseTimer> timer = pauseTimerFor(c.opener);
        EXPECT_EQ(timer->method(), c.method) << c.what;
        EXPECT_EQ(timer->spinMargin(), c.margin) << c.what;
        RealPacer pacer(std::make_unique<TimerSleeper<PauseTimer>>(std::move(timer)));
        for (const unsigned ms : {1u, 2u, 3u, 20u}) {
            for (int i = 0; i < 5; ++i) {
                const auto start = RealPacer::Clock::now();
                pacer.sleepMs(ms);
                EXPECT_GE(RealPacer::Clock::now() - start, milliseconds(ms)) << c.what;
            }
        }
    }
}

}  // namespace
}  // namespace vorlix::win32
