// The camera operations over the simulated camera, as the bus trace shows them: what every
// caller (the dialog and the command line alike) relies on beyond the dialog's own boxes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "camera/address.h"
#include "camera/direct_access.h"
#include "camera/readback.h"
#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "tests/support/bench.h"

namespace vorlix::camera {
namespace {

using test::SimBench;

constexpr char kRefusal[] = "no backup, so nothing was written: the disk is full";

// An operation run with a gate: its outcome and words (its own reason or the gate's).
using GatedRun = std::function<std::pair<Outcome, std::string>(I2cLink&, const WriteGate&)>;

template <typename T>
std::pair<Outcome, std::string> told(const Result<T>& result) {
    return {result.outcome, result.words};
}

// Programs an image of 5a bytes with address as the stored camera address.
std::pair<Outcome, std::string> program(I2cLink& link, const WriteGate& gate,
                                        std::uint8_t address = 0x5A) {
    eeprom::ScriptImage image{};
    image.fill(0x5A);
    image[3 * kBankSize + kAddressOffset] = address;
    return told(programScript(
        link, 0x70, image, "p.qef", [](ProgrammingProgress) {}, gate));
}

SettingsInput longestSnapshot() {
    SettingsInput in;
    in.overlaysEnabled = true;
    in.manualExposure = true;
    return in;  // automatic white balance off: 156 bytes
}

TEST(WriteGate, IsAskedOnlyOnceTheOperationsOwnChecksPassedAndARefusalSendsNothing) {
    struct Case {
        const char* name;
        GatedRun run;
        bool asked;
    };
    const Case cases[] = {
        {"a script that would store the sensor's address",
         [](I2cLink& l, const WriteGate& g) { return program(l, g, 0xBA); }, false},
        {"a whole script", [](I2cLink& l, const WriteGate& g) { return program(l, g); }, true},
        {"a snapshot that does not fit",
         [](I2cLink& l, const WriteGate& g) {
             return told(saveSettings(l, 0x70, 0x65, longestSnapshot(), nullptr, g));
         },
         false},
        {"a snapshot that fits to the last byte",
         [](I2cLink& l, const WriteGate& g) {
             return told(saveSettings(l, 0x70, 0x64, longestSnapshot(), nullptr, g));
         },
         true},
        {"an erase",
         [](I2cLink& l, const WriteGate& g) { return told(eraseSettings(l, 0x70, 0xF0, g)); },
         true},
        {"an address the search never finds",
         [](I2cLink& l, const WriteGate& g) { return told(changeAddress(l, 0x70, 0xFA, g)); },
         false},
        {"a findable address",
         [](I2cLink& l, const WriteGate& g) { return told(changeAddress(l, 0x70, 0x73, g)); },
         true},
        {"a direct EEPROM byte",
         [](I2cLink& l, const WriteGate& g) {
             return told(writeEepromByte(l, 0x70, bankWriteForm(2), 0x10, 0x44, g));
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimBench bench;
        I2cLink link(bench.bus);
        int asks = 0;
        const auto [outcome, words] = c.run(link, [&asks] {
            ++asks;
            return GateAnswer{.outcome = Outcome::NoBackup, .words = kRefusal};
        });
        EXPECT_EQ(asks, c.asked ? 1 : 0);
        EXPECT_EQ(outcome, c.asked ? Outcome::NoBackup : Outcome::Refused) << words;
        EXPECT_EQ(words == kRefusal, c.asked) << words;
        EXPECT_FALSE(words.empty());
        EXPECT_TRUE(bench.lines().empty());
        EXPECT_EQ(bench.camera.state().eeprom, sim::SimState::builtInDefault().eeprom);
    }
}

// The fields of a read-back in the order of reading: whether each was read.
std::vector<bool> fieldsRead(const CameraReadBack& r) {
    return {r.projection.has_value(), r.tvMode.has_value(),   r.overlayFunction.has_value(),
            r.overlays.has_value(),   r.exposure.has_value(), r.whiteBalance.has_value(),
            r.sharpness.has_value(),  r.trimX.has_value(),    r.trimY.has_value(),
            r.trimBlock.has_value()};
}

TEST(ReadBack, AFailedTransferLeavesThatValueAndEveryLaterOneUnreadAfterOneBox) {
    // Overlays on and trim active: every read of the pass is made. Each register read is a
    // header and a data transaction; the trim block's byte i is read by 29 + 2i and 30 + 2i.
    struct Case {
        std::uint32_t failing;  // 0: none
        std::size_t fieldsRead;
    };
    const Case cases[] = {
        {1, 0},  {2, 0},  {6, 2},  {9, 3},  {16, 4},           {20, 4},
        {22, 5}, {24, 6}, {26, 7}, {27, 8}, {29 + 2 * 579, 9}, {0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        sim::SimState state = sim::SimState::builtInDefault();
        state.registers[kRegOverlayFunction] = kOverlayShown;
        if (c.failing != 0) state.faults.push_back({c.failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        I2cLink link(bench.bus);
        const Result<CameraReadBack> read = readBack(link, 0x70);
        const CameraReadBack& r = read.value;
        EXPECT_EQ(read.done(), c.failing == 0);

        std::vector<bool> expected(10, false);
        std::fill_n(expected.begin(), c.fieldsRead, true);
        EXPECT_EQ(fieldsRead(r), expected);
        EXPECT_EQ(bench.notifier.boxes.size(), c.failing != 0 ? 1u : 0u);
        EXPECT_EQ(bench.camera.transactions(), c.failing != 0 ? c.failing : 28 + 2 * 580);
    }
}

TEST(ReadBack, SaysTheTrimAsItIsShownAndSteppedFrom) {
    struct Case {
        std::uint8_t x, y;
        const char* told;
    };
    const Case cases[] = {
        {0x31, 0x05, "x Max Left, y 4"},  // limited to 2e, made even
        {0x00, 0x2E, "x Max Right, y Max up"},
        {0x1F, 0x00, "x 1e, y Max down"},
        {0x10, 0x0C, "x 10, y c"},
    };
    for (const Case& c : cases) {
        sim::SimState state = sim::SimState::builtInDefault();
        state.eeprom[1][0] = c.x;
        state.eeprom[1][1] = c.y;
        SimBench bench(state);
        I2cLink link(bench.bus);
        const auto lines = describeReadBack(0x70, readBack(link, 0x70).value);
        EXPECT_EQ(lines.back(), (std::pair<std::string, std::string>{"trim", c.told}));
    }
}

}  // namespace
}  // namespace vorlix::camera
