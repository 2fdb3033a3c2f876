// The search for the camera's address with silent probes.
#include <gtest/gtest.h>

#include "io/hex.h"
#include "tests/support/bench.h"

namespace vorlix {
namespace {

using test::RecordingAdapter;
using test::RecordingNotifier;
using test::SimBench;
using Lines = std::vector<std::string>;

constexpr char kNoCameraText[] = "No valid address found, re-power cam and retry.";

sim::SimState cameraAt(std::uint8_t address) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.eeprom[3][sim::kAddressOffset] = address;
    return state;
}

// The trace of a probe that nobody answered.
Lines emptyProbe(std::uint8_t candidate) {
    return {"P 2", "W " + io::hexByte(candidate) + " 01 a0 fe !15"};
}

TEST(FindCamera, CameraAtTheDefaultAddressIsFoundWithOneProbe) {
    SimBench bench;
    I2cLink link(bench.bus);
    EXPECT_EQ(link.findCamera(), 0x70);
    EXPECT_EQ(bench.lines(), (Lines{"P 2", "W 70 01 a0 fe", "R 71 1 : ff"}));
    EXPECT_TRUE(bench.notifier.boxes.empty());
}

TEST(FindCamera, ProbesTheDefaultThenEveryEvenAddressFromZero) {
    SimBench bench(cameraAt(0x42));
    I2cLink link(bench.bus);
    EXPECT_EQ(link.findCamera(), 0x42);

    Lines expected = emptyProbe(0x70);
    for (unsigned candidate = 0x00; candidate < 0x42; candidate += 2) {
        const Lines probe = emptyProbe(static_cast<std::uint8_t>(candidate));
        expected.insert(expected.end(), probe.begin(), probe.end());
    }
    expected.insert(expected.end(), {"P 2", "W 42 01 a0 fe", "R 43 1 : ff"});
    EXPECT_EQ(bench.lines(), expected);
    EXPECT_EQ(bench.clock.pauses().size(), 35u);
    EXPECT_TRUE(bench.notifier.boxes.empty());
    EXPECT_FALSE(link.takeError());
}

TEST(FindCamera, AddressZeroEndsTheSearchLikeAnyOther) {
    SimBench bench(cameraAt(0x00));
    I2cLink link(bench.bus);
    EXPECT_EQ(link.findCamera(), 0x00);
    EXPECT_EQ(bench.lines(),
              (Lines{"P 2", "W 70 01 a0 fe !15", "P 2", "W 00 01 a0 fe", "R 01 1 : ff"}));
}

TEST(FindCamera, NoCameraGives125SilentProbesPast0xBaThenOneBoxAnd250) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.present = false;
    SimBench bench(state);
    I2cLink link(bench.bus);
    link.reportStatus(5);  // a latch left set before the search
    bench.lines();

    EXPECT_EQ(link.findCamera(), kNoCameraFound);
    Lines expected = emptyProbe(0x70);
    for (unsigned candidate = 0x00; candidate <= 0xF8; candidate += 2) {
        if (candidate == kSensorWrite) continue;  // the image sensor is never asked
        const Lines probe = emptyProbe(static_cast<std::uint8_t>(candidate));
        expected.insert(expected.end(), probe.begin(), probe.end());
    }
    expected.push_back(std::string("B ") + kNoCameraText);
    EXPECT_EQ(bench.lines(), expected);
    EXPECT_EQ(bench.clock.pauses().size(), 125u);
    EXPECT_EQ(bench.clock.totalMs(), 250u);
    EXPECT_EQ(bench.notifier.boxes.back(), kNoCameraText);
    EXPECT_FALSE(link.takeError());
}

TEST(FindCamera, AFailedCompletingReadIsReportedButTheAddressStands) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.faults.push_back(sim::Fault{std::nullopt, 0x71, kStatusNack});
    SimBench bench(state);
    I2cLink link(bench.bus);
    EXPECT_EQ(link.findCamera(), 0x70);
    EXPECT_EQ(bench.lines(), (Lines{"P 2", "W 70 01 a0 fe", "R 71 1 : 00 !5",
                                    "B not a correct acknowledge recieved"}));
}

TEST(FindCamera, ProbeIsASelectedTwoByteSubAddressWrite) {
    RecordingAdapter adapter;
    VirtualPacer pacer;
    RecordingNotifier notifier;
    I2cLink link(Bus{adapter, pacer, notifier});
    EXPECT_EQ(link.findCamera(), 0x70);
    EXPECT_EQ(adapter.calls,
              (Lines{"open 70 20000 1000", "select #1 70", "ord8 #1 2 01a0 [fe] 1 0", "close #1",
                     "open 71 20000 1000", "ord10 #2 in=[00] 0 1", "close #2"}));
}

}  // namespace
}  // namespace vorlix
