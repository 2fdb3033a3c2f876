// The camera commands as the camera sees them: header, pause, data phase.
#include <gtest/gtest.h>

#include "tests/support/bench.h"

namespace vorlix {
namespace {

using test::RecordingAdapter;
using test::RecordingNotifier;
using test::SimBench;
using Lines = std::vector<std::string>;

sim::SimState cameraAt(std::uint8_t address) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.eeprom[3][sim::kAddressOffset] = address;
    return state;
}

TEST(CameraCommands, Read16WritesHeaderPausesAndReadsHighByteFirst) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.registers[0x3012] = 0x013B;
    SimBench bench(state);
    I2cLink link(bench.bus);
    EXPECT_EQ(link.camRead16(0x70, 0x30, 0x12), 0x013B);
    EXPECT_EQ(bench.lines(), (Lines{"W 70 03 30 12", "P 2", "R 71 2 : 01 3b"}));
}

TEST(CameraCommands, Read8ReadsOneEepromByteThroughTheBankReadForm) {
    SimBench bench;
    I2cLink link(bench.bus);
    EXPECT_EQ(link.camRead8(0x70, 0xA3, 0x00), 0x10);
    EXPECT_EQ(bench.lines(), (Lines{"W 70 01 a3 00", "P 2", "R 71 1 : 10"}));
}

TEST(CameraCommands, Write8StoresTheByteAndANewAddressCountsFromRepower) {
    SimBench bench;
    I2cLink link(bench.bus);
    link.camWrite8(0x70, 0xA6, 0x50, 0x72);
    EXPECT_EQ(bench.lines(), (Lines{"W 70 00 a6 50", "W 70 72"}));
    EXPECT_EQ(bench.camera.eeprom(0xA6, 0x50), 0x72);
    EXPECT_EQ(bench.camera.address(), 0x70);
    bench.camera.repower();
    EXPECT_EQ(bench.camera.address(), 0x72);
}

TEST(CameraCommands, Write16SendsHeaderThenHighAndLowByte) {
    SimBench bench;
    I2cLink link(bench.bus);
    link.camWrite16(0x70, 0x4F, 0x08, 0x80, 0x00);
    link.camWrite16(0x70, 0x30, 0x12, 0x02, 0x9A);
    EXPECT_EQ(bench.lines(), (Lines{"W 70 02 4f 08", "W 70 80 00", "W 70 02 30 12", "W 70 02 9a"}));
    EXPECT_EQ(bench.camera.reg(0x4F08), 0x8000);
    EXPECT_EQ(bench.camera.reg(0x3012), 0x029A);
}

TEST(CameraCommands, PageCarriesTheLowBytesOfSixteenEntriesToTheCameraAddress) {
    SimBench bench(cameraAt(0x72));
    I2cLink link(bench.bus);
    std::uint16_t entries[kPageEntries];
    entries[0] = 0x1FF;
    for (std::uint16_t i = 1; i < kPageEntries; ++i) {
        entries[i] = static_cast<std::uint16_t>(0x100 | i);
    }
    link.camWritePage(0x72, 0xA0, 0x20, entries, kPageEntries);
    EXPECT_EQ(bench.lines(),
              (Lines{"W 72 24 a0 20", "W 72 ff 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f"}));
    EXPECT_EQ(bench.camera.eeprom(0xA0, 0x20), 0xFF);
    EXPECT_EQ(bench.camera.eeprom(0xA0, 0x2F), 0x0F);
    EXPECT_FALSE(link.takeError());
}

TEST(CameraCommands, PageDataPhaseIsOneWriteWithAOneByteSubAddress) {
    RecordingAdapter adapter;
    VirtualPacer pacer;
    RecordingNotifier notifier;
    I2cLink link(Bus{adapter, pacer, notifier});
    const std::uint16_t entries[kPageEntries] = {0x1AB, 1, 2,  3,  4,  5,  6,  7,
                                                 8,     9, 10, 11, 12, 13, 14, 0x2FF};
    link.camWritePage(0x70, 0xA2, 0x00, entries, kPageEntries);
    EXPECT_EQ(
        adapter.calls,
        (Lines{"open 70 20000 1000", "select #1 70", "ord8 #1 2 24a2 [00] 1 0", "close #1",
               "open 70 20000 1000", "select #2 70",
               "ord8 #2 1 00ab [01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e ff] 15 0", "close #2"}));
    EXPECT_TRUE(pacer.pauses().empty());
}

TEST(CameraCommands, PageNeverSendsMoreThanSixteenAndAnEmptyPageSendsNothing) {
    SimBench bench;
    I2cLink link(bench.bus);
    std::uint16_t entries[20] = {};
    link.camWritePage(0x70, 0xA0, 0x00, entries, 20);
    EXPECT_EQ(bench.lines(),
              (Lines{"W 70 24 a0 00", "W 70 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}));
    link.camWritePage(0x70, 0xA0, 0x00, entries, 0);
    EXPECT_TRUE(bench.lines().empty());
    EXPECT_FALSE(link.takeError());
}

TEST(CameraCommands, AFailedHeaderEndsTheCommandWithOneBoxNoPauseAndNoDataPhase) {
    struct Case {
        const char* header;
        std::uint16_t (*command)(I2cLink&);
    };
    const Case cases[] = {
        {"W 70 00 a6 50", [](I2cLink& l) { return l.camWrite8(0x70, 0xA6, 0x50, 0x72), std::uint16_t{0}; }},
        {"W 70 01 a1 10", [](I2cLink& l) { return l.camRead8(0x70, 0xA1, 0x10); }},
        {"W 70 02 4f 08", [](I2cLink& l) { return l.camWrite16(0x70, 0x4F, 0x08, 0x80, 0), std::uint16_t{0}; }},
        {"W 70 03 30 12", [](I2cLink& l) { return l.camRead16(0x70, 0x30, 0x12); }},
        {"W 70 24 a0 00", [](I2cLink& l) {
             const std::uint16_t page[kPageEntries] = {0x11, 0x22};
             return l.camWritePage(0x70, 0xA0, 0x00, page, kPageEntries), std::uint16_t{0};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        sim::SimState state = sim::SimState::builtInDefault();
        state.faults.push_back({1, std::nullopt, kStatusBusy});
        SimBench bench(state);
        I2cLink link(bench.bus);
        EXPECT_EQ(c.command(link), 0);  // a read answers no question after its header failed
        EXPECT_EQ(bench.lines(),
                  (Lines{std::string(c.header) + " !6", "B error bus is bussy or occupied"}));
        EXPECT_TRUE(link.takeError());  // the command failed as a whole
        EXPECT_EQ(bench.camera.state().eeprom, sim::SimState::builtInDefault().eeprom);
    }

    // A data phase that fails after a good header is the command's failure too.
    RecordingAdapter adapter;
    VirtualPacer pacer;
    RecordingNotifier notifier;
    I2cLink link(Bus{adapter, pacer, notifier});
    adapter.statuses = {0, 6};
    link.camWrite8(0x70, 0xA6, 0x50, 0x72);
    EXPECT_TRUE(link.takeError());
    EXPECT_EQ(notifier.boxes, Lines{"error bus is bussy or occupied"});
}

TEST(CameraCommands, AStoppingLinkSendsNothingAfterItsFirstFailedTransfer) {
    struct Case {
        const char* what;
        void (*command)(I2cLink&);
        std::uint32_t failing;  // transaction of the command, from 1
        Lines expected;
    };
    const Case cases[] = {
        {"read header",
         [](I2cLink& l) { l.camRead16(0x70, 0x30, 0x12); },
         1,
         {"W 70 03 30 12 !5", "B not a correct acknowledge recieved"}},
        {"page header",
         [](I2cLink& l) {
             const std::uint16_t page[16] = {};
             l.camWritePage(0x70, 0xA0, 0x00, page, 16);
         },
         1,
         {"W 70 24 a0 00 !5", "B not a correct acknowledge recieved"}},
        {"write data",
         [](I2cLink& l) { l.camWrite8(0x70, 0xA6, 0x50, 0x72); },
         2,
         {"W 70 00 a6 50", "W 70 72 !5", "B not a correct acknowledge recieved"}},
    };
    for (const Case& c : cases) {
        sim::SimState state = sim::SimState::builtInDefault();
        state.faults.push_back({c.failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        I2cLink link(bench.bus);
        link.stopAtFirstFailure();
        c.command(link);
        EXPECT_TRUE(link.failed()) << c.what;
        // Whatever follows is neither sent, paused for nor told, and reads as a failure.
        EXPECT_EQ(link.camRead8(0x70, 0xA3, 0x00), 0) << c.what;
        EXPECT_TRUE(link.takeError()) << c.what;
        link.pause(20);
        EXPECT_EQ(bench.lines(), c.expected) << c.what;
        EXPECT_EQ(bench.camera.transactions(), c.failing) << c.what;
    }
}

}  // namespace
}  // namespace vorlix
