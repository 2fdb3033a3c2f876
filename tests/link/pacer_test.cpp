// A pause protects the camera: however it is slept, and whatever runs inside it, it never
// ends before its time.
#include "link/pacer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "link/trace.h"

namespace vorlix {
namespace {

using Clock = RealPacer::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// A clock that moves a microsecond at each reading (so that a spin ends) and to wherever a
// sleep wakes up.
struct FakeTime {
    static constexpr Clock::duration kTick = microseconds(1);
    Clock::time_point now{};
    Clock::time_point read() { return now += kTick; }
};

// A timer that wakes `lateness` after the time asked (before it when negative) the first
// time, and on time after that.
class FakeSleeper : public Sleeper {
public:
    FakeSleeper(FakeTime& time, Clock::duration margin, Clock::duration lateness,
                std::vector<Clock::time_point>& asked)
        : time_(time), margin_(margin), lateness_(lateness), asked_(asked) {}
    void sleepUntil(Clock::time_point until) override {
        asked_.push_back(until);
        time_.now = std::max(time_.now, until + (asked_.size() == 1 ? lateness_ : Clock::duration{}));
    }
    Clock::duration spinMargin() const override { return margin_; }
    std::string_view method() const override { return "fake"; }

private:
    FakeTime& time_;
    Clock::duration margin_, lateness_;
    std::vector<Clock::time_point>& asked_;
};

TEST(RealPacer, SleepsToTheMarginThenSpinsAndNeverEndsEarlyWhateverTheTimer) {
    struct Case {
        const char* what;
        unsigned ms;
        microseconds margin, lateness;
        size_t sleeps;
        microseconds late;  // after the deadline, to within a few readings of the clock
    };
    const Case cases[] = {
        {"a timer on time", 2, microseconds(100), microseconds(0), 1, microseconds(0)},
        {"late within the margin", 2, microseconds(100), microseconds(90), 1, microseconds(0)},
        {"late past the margin: the timer's overshoot stays", 2, microseconds(100),
         microseconds(300), 1, microseconds(200)},
        {"woken early: sleeps again", 2, microseconds(100), microseconds(-700), 2,
         microseconds(0)},
        {"a coarse timer's margin on a long pause", 20, microseconds(2000), microseconds(1900),
         1, microseconds(0)},
        {"a margin as long as the pause: spin only", 2, microseconds(2000), microseconds(0), 0,
         microseconds(0)},
        {"a margin longer than the pause", 1, microseconds(2000), microseconds(0), 0,
         microseconds(0)},
        {"no pause", 0, microseconds(100), microseconds(0), 0, microseconds(0)},
    };
    for (const Case& c : cases) {
        FakeTime time;
        std::vector<Clock::time_point> asked;
        RealPacer pacer(std::make_unique<FakeSleeper>(time, c.margin, c.lateness, asked),
                        [&time] { return time.read(); });
        const Clock::time_point deadline = time.now + milliseconds(c.ms);
        pacer.waitUntil(deadline);
        EXPECT_GE(time.now, deadline) << c.what;
        EXPECT_LE(time.now - deadline, c.late + 3 * FakeTime::kTick) << c.what;
        EXPECT_GE(time.now - deadline, Clock::duration(c.late)) << c.what;
        EXPECT_EQ(asked.size(), c.sleeps) << c.what;
        for (const Clock::time_point until : asked)
            EXPECT_EQ(until, deadline - c.margin) << c.what << ": asked to sleep elsewhere";
    }
}

TEST(RealPacer, ThisPlatformsPausesNeverEndBeforeTheirTime) {
    RealPacer pacer;
    for (const unsigned ms : {0u, 1u, 2u, 5u, 20u}) {
        for (int i = 0; i < 10; ++i) {
            const Clock::time_point start = Clock::now();
            pacer.sleepMs(ms);
            EXPECT_GE(Clock::now() - start, milliseconds(ms))
                << ms << " ms with " << pacer.sleeper().method();
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
