// The bus rules of everything that writes the configuration EEPROM in bulk: programming with
// its read-back, the erase of the settings area, and Save, as the trace and the camera show
// them. The dialog's tests keep its boxes, its progress bar and its controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "io/hex.h"
#include "tests/support/bench.h"

namespace vorlix::camera {
namespace {

using test::SimBench;
using Lines = std::vector<std::string>;

int countLines(const Lines& lines, const std::string& prefix) {
    int n = 0;
    for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

std::uint8_t pattern(std::size_t n) {
    return static_cast<std::uint8_t>(n * 7 + 3);
}

// A whole image of pattern bytes, as a loaded script leaves it.
eeprom::EepromTables patternTables() {
    eeprom::EepromTables tables;
    for (std::size_t n = 0; n < eeprom::kEepromSize; ++n) tables.scriptImage[n] = pattern(n);
    tables.filledEntries = eeprom::kEepromSize;
    return tables;
}

ProgrammingOutcome program(SimBench& bench, eeprom::EepromTables& tables) {
    I2cLink link(bench.bus);
    return programScript(link, 0x70, tables, [](ProgrammingProgress) {});
}

TEST(Programming, SixtyFourPagesThenEveryByteReadBackBankAfterBank) {
    SimBench bench;
    eeprom::EepromTables tables = patternTables();
    EXPECT_EQ(program(bench, tables).result, ProgrammingResult::Verified);

    const Lines trace = bench.lines();
    // A page: its header, the 16 bytes (the first one travels as the sub-address), the pause.
    EXPECT_EQ(Lines(trace.begin(), trace.begin() + 4),
              (Lines{"W 70 24 a0 00", "W 70 03 0a 11 18 1f 26 2d 34 3b 42 49 50 57 5e 65 6c",
                     "P 20", "W 70 24 a0 10"}));
    for (const char* bank : {"a0", "a2", "a4", "a6"})
        EXPECT_EQ(countLines(trace, std::string("W 70 24 ") + bank + " "), 16) << bank;
    EXPECT_EQ(countLines(trace, "P 20"), 64);
    EXPECT_EQ(Lines(trace.begin() + 3 * 64, trace.begin() + 3 * 64 + 3),
              (Lines{"W 70 01 a1 00", "P 2", "R 71 1 : 03"}));
    EXPECT_EQ(trace.back(), "R 71 1 : " + io::hexByte(pattern(1023)));
    EXPECT_EQ(trace.size(), 3u * 64 + 3 * 1024);
    EXPECT_EQ(bench.camera.eeprom(0xA2, 0xA5), pattern(0x1A5));
    EXPECT_EQ(tables.readBackBuf[0x1A5], pattern(0x1A5));
}

TEST(Programming, TheFirstFailedCommandEndsTheRunThere) {
    // Page p's header is transaction 2p - 1 and its data 2p; read-back byte n's are
    // 128 + 2n + 1 and 128 + 2n + 2.
    struct Case {
        std::uint32_t failing;
        ProgrammingResult result;
        int pageHeaders;  // sent, the failed one included
        int pagesWritten;
        int reads;
    };
    const Case cases[] = {
        {34, ProgrammingResult::WriteFailed, 17, 16, 0},  // the 17th page's data phase
        {33, ProgrammingResult::WriteFailed, 17, 16, 0},  // its header: no data phase follows
        {128 + 2 * 300 + 2, ProgrammingResult::ReadBackFailed, 64, 64, 301},
        {128 + 2 * 300 + 1, ProgrammingResult::ReadBackFailed, 64, 64, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        sim::SimState state = sim::SimState::builtInDefault();
        state.faults.push_back({c.failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        eeprom::EepromTables tables = patternTables();
        EXPECT_EQ(program(bench, tables).result, c.result);
        const Lines trace = bench.lines();
        EXPECT_EQ(countLines(trace, "W 70 24 "), c.pageHeaders);
        EXPECT_EQ(countLines(trace, "P 20"), c.pagesWritten);
        EXPECT_EQ(countLines(trace, "R 71 1 : "), c.reads);
        EXPECT_EQ(bench.camera.transactions(), c.failing);
        EXPECT_EQ(bench.notifier.boxes.size(), 1u);
    }
}

// Given what the camera held, only the pages that differ go out; the read-back covers all four
// banks whenever one did, and when none did the baseline stands as the verification.
TEST(Programming, WithABaselineOnlyThePagesThatDifferThenTheWholeReadBack) {
    constexpr std::size_t kStoredAddress = 3 * kBankSize + 0x50;  // the camera stays at 70
    eeprom::EepromTables image = patternTables();
    image.scriptImage[kStoredAddress] = 0x70;
    EepromImage held{};
    for (std::size_t n = 0; n < held.size(); ++n) held[n] = pattern(n);
    held[kStoredAddress] = 0x70;
    struct Case {
        const char* what;
        std::vector<std::size_t> changedInCamera;    // entries the camera holds differently
        std::vector<std::size_t> changedInBaseline;  // entries the baseline says differently
        Lines pageHeaders;
        ProgrammingResult result;
    };
    const Case cases[] = {
        {"the camera holds the file", {}, {}, {}, ProgrammingResult::Verified},
        {"one byte of page 0x25 differs",
         {0x25A},
         {0x25A},
         {"W 70 24 a4 50"},
         ProgrammingResult::Verified},
        {"the first and the last page",
         {0, 1023},
         {0, 1023},
         {"W 70 24 a0 00", "W 70 24 a6 f0"},
         ProgrammingResult::Verified},
        // The baseline missed a byte (a write astray before the run): only the read-back sees it.
        {"a difference the baseline does not show",
         {0x10, 0x300},
         {0x300},
         {"W 70 24 a6 00"},
         ProgrammingResult::Differs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SimState state = sim::SimState::builtInDefault();
        for (std::size_t n = 0; n < held.size(); ++n)
            state.eeprom[n / kBankSize][n % kBankSize] = held[n];
        EepromImage baseline = held;
        for (std::size_t n : c.changedInCamera) state.eeprom[n / kBankSize][n % kBankSize] ^= 0xFF;
        for (std::size_t n : c.changedInBaseline) baseline[n] ^= 0xFF;
        SimBench bench(state);
        eeprom::EepromTables tables = image;
        I2cLink link(bench.bus);
        const ProgrammingOutcome outcome = programScript(
            link, 0x70, tables, [](ProgrammingProgress) {}, {}, &baseline);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.pagesWritten, c.pageHeaders.size());

        const Lines trace = bench.lines();
        Lines headers;
        for (const std::string& l : trace)
            if (l.rfind("W 70 24 ", 0) == 0) headers.push_back(l);
        EXPECT_EQ(headers, c.pageHeaders);
        EXPECT_EQ(countLines(trace, "R 71 1 : "), c.pageHeaders.empty() ? 0 : 1024);
        if (c.result == ProgrammingResult::Differs) {
            EXPECT_EQ(outcome.at, 0x10u);
        }
        if (c.pageHeaders.empty()) {
            EXPECT_EQ(tables.readBackBuf, baseline);
        }
    }
}

TEST(EraseSettings, PagesFromTheOffsetAndABytewiseTailThatNeverWrapsThenTheAddress) {
    struct Case {
        int offset;
        int pages;
        int bytes;     // single-byte writes of the tail that a whole page would wrap
        int erasedTo;  // one past the last offset erased
    };
    const Case cases[] = {
        {0x00, 16, 0, 256}, {0x10, 15, 0, 256}, {0x0F, 15, 0, 255}, {0x01, 15, 15, 256},
        {0xF0, 1, 0, 256},  {0xF8, 0, 8, 256},  {0xFF, 0, 0, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        sim::SimState state = sim::SimState::builtInDefault();
        state.eeprom[0].fill(0x5A);
        state.eeprom[3][0x50] = 0x72;
        SimBench bench(state);
        I2cLink link(bench.bus);
        const EraseOutcome outcome = eraseSettings(link, 0x72, c.offset);
        EXPECT_EQ(outcome.result, EraseResult::Erased);
        EXPECT_EQ(outcome.address, 0x70);

        const Lines trace = bench.lines();
        EXPECT_EQ(countLines(trace, "W 72 24 a0 "), c.pages);
        EXPECT_EQ(countLines(trace, "W 72 00 a0 "), c.bytes);
        EXPECT_EQ(countLines(trace, "P 20"), c.pages + c.bytes + 1);
        EXPECT_EQ(Lines(trace.end() - 3, trace.end()), (Lines{"W 72 00 a6 50", "W 72 ff", "P 20"}));
        for (int i = 0; i < 256; ++i) {
            const bool erased = i >= c.offset && i < c.erasedTo;
            ASSERT_EQ(bench.camera.eeprom(0xA0, static_cast<std::uint8_t>(i)), erased ? 0xFF : 0x5A)
                << "offset " << i;
        }
        EXPECT_EQ(bench.camera.eeprom(0xA6, 0x50), 0xFF);
    }
}

TEST(EraseSettings, AFailureStopsItAndTheStoredAddressIsClearedOnlyAfterTheWholeArea) {
    // From e0: two pages (transactions 1-4), then the address (5, 6).
    const std::pair<std::uint32_t, EraseResult> cases[] = {
        {4, EraseResult::EraseFailed}, {5, EraseResult::AddressClearFailed},
        {6, EraseResult::AddressClearFailed}};
    for (const auto& [failing, result] : cases) {
        SCOPED_TRACE(failing);
        sim::SimState state = sim::SimState::builtInDefault();
        state.eeprom[3][0x50] = 0x72;
        state.faults.push_back({failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        I2cLink link(bench.bus);
        EXPECT_EQ(eraseSettings(link, 0x72, 0xE0).result, result);
        EXPECT_EQ(bench.camera.transactions(), failing);
        EXPECT_EQ(bench.camera.eeprom(0xA6, 0x50), 0x72);
        EXPECT_EQ(bench.notifier.boxes.size(), 1u);
    }
}

TEST(SaveSettings, EraseSettleReadThePairThenTheScriptByteByByte) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.registers[0x301C] = 0x0003;
    state.registers[0x3254] = 0xC003;
    state.eeprom[0].fill(0x5A);
    SimBench bench(state);
    I2cLink link(bench.bus);
    SettingsInput in;
    in.autoWhiteBalance = true;
    in.sharpReg = 0x3800;
    in.aexRef = 0x50;
    int steps = 0;
    const SaveOutcome outcome = saveSettings(link, 0x70, 0x10, in, [&](SaveProgress p) {
        steps += p == SaveProgress::Step;
    });
    EXPECT_EQ(outcome.result, SaveResult::Saved);
    EXPECT_EQ(outcome.written, 24u);
    // A step per erased page and per script byte, but those of the disabled overlays' record.
    EXPECT_EQ(steps, 15 + 20);
    EXPECT_EQ(saveSteps(0x10, in), 35u);
    EXPECT_EQ(saveSteps(0x01, in), 36u);

    const Lines trace = bench.lines();
    EXPECT_EQ(countLines(trace, "W 70 24 a0 "), 15);
    EXPECT_EQ(countLines(trace, "W 70 00 a0 "), 24);
    EXPECT_EQ(countLines(trace, "P 20"), 15 + 24);
    EXPECT_EQ(Lines(trace.begin() + 45, trace.begin() + 55),
              (Lines{"P 100", "W 70 03 30 1c", "P 2", "R 71 2 : 00 03", "W 70 03 32 54", "P 2",
                     "R 71 2 : c0 03", "W 70 00 a0 10", "W 70 30", "P 20"}));
    EXPECT_EQ(bench.camera.eeprom(0xA0, 0x0F), 0x5A);
    EXPECT_EQ(bench.camera.eeprom(0xA0, 0x10 + 23), 0x50);
    EXPECT_EQ(bench.camera.eeprom(0xA0, 0x10 + 24), 0xFF);
}

}  // namespace
}  // namespace vorlix::camera
