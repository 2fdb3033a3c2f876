// The station's result line: the verdict, the reason, the shift's counts and a yield that
// never rounds a failed unit away.
#include <gtest/gtest.h>

#include "app/station.h"

namespace vorlix::app {
namespace {

TEST(Station, ResultLineGivesVerdictReasonCountsAndAYieldRoundedDown) {
    struct Case {
        bool passed;
        ShiftTally tally;
        bool colour;
        std::string line;
    };
    const Case cases[] = {
        {true, {1, 0, 0}, false, "PASS unit 7: ok; shift: 1 passed, 0 failed, yield 100.0%"},
        {false, {2, 1, 0}, false, "FAIL unit 7: ok; shift: 2 passed, 1 failed, yield 66.6%"},
        {false, {1999, 1, 0}, false,
         "FAIL unit 7: ok; shift: 1999 passed, 1 failed, yield 99.9%"},
        {false, {1, 0, 1}, false,
         "FAIL unit 7: ok; shift: 1 passed, 0 failed, 1 interrupted, yield 50.0%"},
        {true, {1, 0, 0}, true,
         "\x1b[1;32mPASS\x1b[0m unit 7: ok; shift: 1 passed, 0 failed, yield 100.0%"},
        {false, {0, 1, 0}, true,
         "\x1b[1;31mFAIL\x1b[0m unit 7: ok; shift: 0 passed, 1 failed, yield 0.0%"},
    };
    for (const Case& c : cases) EXPECT_EQ(unitLine(c.passed, 7, "ok", c.tally, c.colour), c.line);
    EXPECT_EQ(ShiftTally{}.text(), "0 passed, 0 failed");  // a shift of none has no yield
}

}  // namespace
}  // namespace vorlix::app
