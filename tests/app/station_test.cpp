// The station's result line: the verdict, the reason, the shift's counts and a yield that
// never rounds a failed unit away; the turns its sockets take on one virtual clock.
#include "app/station.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/bench_clock.h"

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
        {false, {1999, 1, 0}, false, "FAIL unit 7: ok; shift: 1999 passed, 1 failed, yield 99.9%"},
        {false,
         {1, 0, 1},
         false,
         "FAIL unit 7: ok; shift: 1 passed, 0 failed, 1 interrupted, yield 50.0%"},
        {true,
         {1, 0, 0},
         true,
         "\x1b[1;32mPASS\x1b[0m unit 7: ok; shift: 1 passed, 0 failed, yield 100.0%"},
        {false,
         {0, 1, 0},
         true,
         "\x1b[1;31mFAIL\x1b[0m unit 7: ok; shift: 0 passed, 1 failed, yield 0.0%"},
    };
    for (const Case& c : cases) EXPECT_EQ(unitLine(c.passed, 7, "ok", c.tally, c.colour), c.line);
    EXPECT_EQ(ShiftTally{}.text(), "0 passed, 0 failed");  // a shift of none has no yield
}

// Three sockets, each a thread that notes when it runs and then pauses: they run in the order
// their pauses end, the earlier socket first when pauses end together, however the threads are
// scheduled.
TEST(BenchClock, SocketsTakeTurnsInTheOrderTheirPausesEnd) {
    const std::vector<std::vector<unsigned>> pauses = {
        {300, 300, 300}, {200, 200, 200, 200}, {600}};
    BenchClock clock(pauses.size());
    std::vector<std::string> ran;  // only the socket whose turn it is writes
    std::vector<std::thread> sockets;
    for (std::size_t k = 0; k < pauses.size(); ++k) {
        sockets.emplace_back([&, k] {
            clock.start(k);
            unsigned at = 0;
            ran.push_back(std::to_string(k) + "@" + std::to_string(at));
            for (const unsigned ms : pauses[k]) {
                clock.pause(k, ms);
                at += ms;
                ran.push_back(std::to_string(k) + "@" + std::to_string(at));
            }
            clock.leave(k);
        });
    }
    for (std::thread& socket : sockets) socket.join();
    EXPECT_EQ(ran, (std::vector<std::string>{"0@0", "1@0", "2@0", "1@200", "0@300", "1@400",
                                             "0@600", "1@600", "2@600", "1@800", "0@900"}));
}

}  // namespace
}  // namespace vorlix::app
