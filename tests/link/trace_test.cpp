// The bus trace's line formats, which users and acceptance checks read.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/bench.h"

namespace vorlix {
namespace {

using test::RecordingAdapter;
using Lines = std::vector<std::string>;

Lines linesOf(const std::ostringstream& out) {
    Lines lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(Trace, EachTransferIsOneLineOfLowerCaseHex) {
    RecordingAdapter inner;
    inner.readBytes = {0x01, 0x3B};
    std::ostringstream out;
    Trace trace(&out);
    TracingAdapter adapter(inner, trace);

    const std::uint8_t one[1] = {0x5A};
    const std::uint8_t two[2] = {0x80, 0x0A};
    std::uint8_t buffer[2] = {0, 0};
    AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
    adapter.write(h, one, 0, 1);
    adapter.writeSub(h, 1, 0x1C0, two, 2, 0);
    adapter.writeSub(h, 2, 0x3012, one, 1, 0);
    adapter.close(h);
    h = adapter.open(0x71, kOpenTimeout, kOpenSpeed);
    adapter.read(h, buffer, 0, 2);
    adapter.close(h);
    h = adapter.open(0xBB, kOpenTimeout, kOpenSpeed);
    adapter.readSub(h, 2, 0x0040, buffer, 2, 0);
    adapter.close(h);

    EXPECT_EQ(linesOf(out), (Lines{"W 70 5a", "W 70 c0 80 0a", "W 70 30 12 5a", "R 71 2 : 01 3b",
                                   "WR bb 00 40 : 01 3b"}));
    EXPECT_EQ(inner.calls.size(), 11u);
}

TEST(Trace, FailuresAppendTheStatusInDecimalAndReadsShowTheirBuffer) {
    RecordingAdapter inner;
    inner.statuses = {15, 22, 5};
    inner.readBytes = {0xAB};
    std::ostringstream out;
    Trace trace(&out);
    TracingAdapter adapter(inner, trace);

    const std::uint8_t data[1] = {0x50};
    std::uint8_t buffer[2] = {0, 0};
    AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
    adapter.writeSub(h, 2, 0x00A6, data, 1, 0);
    adapter.close(h);
    h = adapter.open(0x71, kOpenTimeout, kOpenSpeed);
    adapter.read(h, buffer, 0, 2);
    adapter.close(h);
    h = adapter.open(0x71, kOpenTimeout, kOpenSpeed);
    adapter.read(h, buffer, 0, 1);
    adapter.close(h);

    EXPECT_EQ(linesOf(out), (Lines{"W 70 00 a6 50 !15", "R 71 2 : ab 00 !22", "R 71 1 : ab !5"}));
}

TEST(Trace, PausesAreTracedInPlaceAndStillReachTheClock) {
    std::ostringstream out;
    Trace trace(&out);
    VirtualPacer clock;
    TracingPacer pacer(clock, trace);
    pacer.sleepMs(2);
    trace.line("B error: device not present");
    pacer.sleepMs(100);
    EXPECT_EQ(linesOf(out), (Lines{"P 2", "B error: device not present", "P 100"}));
    EXPECT_EQ(clock.pauses(), (std::vector<unsigned>{2, 100}));
    EXPECT_EQ(clock.totalMs(), 102u);
}

TEST(Trace, WithoutAStreamNothingIsWrittenAndTransfersStillHappen) {
    RecordingAdapter inner;
    Trace trace;
    TracingAdapter adapter(inner, trace);
    const std::uint8_t data[1] = {0};
    const AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
    EXPECT_EQ(adapter.write(h, data, 0, 1), kStatusOk);
    adapter.close(h);
    EXPECT_FALSE(trace.enabled());
    EXPECT_EQ(inner.calls.size(), 3u);
}

TEST(Trace, TextFromOutsideStaysOneLineWithItsControlCharactersEscaped) {
    std::ostringstream out;
    Trace trace(&out);
    trace.line(std::string("# type 1004 a\nb\x1b[2J\0\t\x7f \xc2\x9b \xc3\xa9", 28));
    EXPECT_EQ(out.str(), "# type 1004 a\\nb\\x1b[2J\\x00\\t\\x7f \\u009b \xc3\xa9\n");
}

}  // namespace
}  // namespace vorlix
