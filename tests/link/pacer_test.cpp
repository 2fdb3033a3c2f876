// A pause protects the camera: however it is slept, and whatever runs inside it, it never
// ends before its time.
#include "link/pacer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "link/trace.h"

namespace vorlix {
namespace {

using Clock = RealPacer::Clock;
using std::chrono::milliseconds;

TEST(RealPacer, APauseNeverEndsBeforeItsTimeWhateverTheSpinMargin) {
    // No margin: the system's sleep alone; a margin wider than the pause: the spin alone.
    for (const Clock::duration margin : {Clock::duration::zero(), RealPacer::kDefaultSpinMargin,
                                         Clock::duration(milliseconds(5))}) {
        RealPacer pacer(margin);
        for (const unsigned ms : {0u, 1u, 2u, 5u}) {
            for (int i = 0; i < 10; ++i) {
                const Clock::time_point start = Clock::now();
                pacer.sleepMs(ms);
                const Clock::duration slept = Clock::now() - start;
                EXPECT_GE(slept, milliseconds(ms))
                    << ms << " ms with a margin of " << margin.count() << " ticks";
            }
        }
    }
}

TEST(RealPacer, WorkInsideAPauseRunsOnceAndNeverShortensIt) {
    RealPacer pacer;
    for (const unsigned ms : {1u, 2u, 20u}) {
        int runs = 0;
        const Clock::time_point start = Clock::now();
        pacer.sleepMsWhile(ms, [&runs] { ++runs; });
        EXPECT_GE(Clock::now() - start, milliseconds(ms));
        EXPECT_EQ(runs, 1);
    }
}

TEST(TracingPacer, APauseWithWorkIsOnePauseInTheTraceAndAtTheInnerPacer) {
    std::ostringstream out;
    Trace trace(&out);
    VirtualPacer clock;
    TracingPacer pacer(clock, trace);
    int runs = 0;
    pacer.sleepMsWhile(20, [&runs] { ++runs; });
    EXPECT_EQ(out.str(), "P 20\n");
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(clock.pauses(), std::vector<unsigned>{20});
}

}  // namespace
}  // namespace vorlix
