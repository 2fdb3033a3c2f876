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
eeprom::ScriptImage patternImage() {
    eeprom::ScriptImage image{};
    for (std::size_t n = 0; n < eeprom::kEepromSize; ++n) image[n] = pattern(n);
    return image;
}

Result<Programming> program(SimBench& bench, const eeprom::ScriptImage& image,
                            const EepromImage* baseline = nullptr) {
    I2cLink link(bench.bus);
    return programScript(
        link, 0x70, image, "p.qef", [](ProgrammingProgress) {}, {}, baseline);
}

TEST(Programming, SixtyFourPagesThenEveryByteReadBackBankAfterBank) {
    SimBench bench;
    const Result<Programming> run = program(bench, patternImage());
    EXPECT_EQ(run.outcome, Outcome::Done);
    EXPECT_EQ(run.words, "programmed and verified p.qef: 64 of 64 pages written");

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
    EXPECT_EQ(run.value.readBack[0x1A5], pattern(0x1A5));
}

TEST(Programming, TheFirstFailedCommandEndsTheRunThere) {
    // Page p's header is transaction 2p - 1 and its data 2p; read-back byte n's are
    // 128 + 2n + 1 and 128 + 2n + 2.
    struct Case {
        std::uint32_t failing;
        bool verifying;   // the failure is the read-back's
        int pageHeaders;  // sent, the failed one included
        int pagesWritten;
        int reads;
    };
    const Case cases[] = {
        {34, false, 17, 16, 0},  // the 17th page's data phase
        {33, false, 17, 16, 0},  // its header: no data phase follows
        {128 + 2 * 300 + 2, true, 64, 64, 301},
        {128 + 2 * 300 + 1, true, 64, 64, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        sim::SimState state = sim::SimState::builtInDefault();
        state.faults.push_back({c.failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        const Result<Programming> run = program(bench, patternImage());
        EXPECT_EQ(run.outcome, Outcome::Failed);
        EXPECT_EQ(run.value.verifying, c.verifying);
        EXPECT_EQ(run.words, c.verifying
                                 ? "reading back failed: the EEPROM was written but not verified"
                                 : "a page write failed: the EEPROM is written only in part");
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
    eeprom::ScriptImage image = patternImage();
    image[kStoredAddress] = 0x70;
    EepromImage held{};
    for (std::size_t n = 0; n < held.size(); ++n) held[n] = pattern(n);
    held[kStoredAddress] = 0x70;
    struct Case {
        const char* what;
        std::vector<std::size_t> changedInCamera;    // entries the camera holds differently
        std::vector<std::size_t> changedInBaseline;  // entries the baseline says differently
        Lines pageHeaders;
        Outcome outcome;
    };
    const Case cases[] = {
        {"the camera holds the file", {}, {}, {}, Outcome::Done},
        {"one byte of page 0x25 differs", {0x25A}, {0x25A}, {"W 70 24 a4 50"}, Outcome::Done},
        {"the first and the last page",
         {0, 1023},
         {0, 1023},
         {"W 70 24 a0 00", "W 70 24 a6 f0"},
         Outcome::Done},
        // The baseline missed a byte (a write astray before the run): only the read-back sees it.
        {"a difference the baseline does not show",
         {0x10, 0x300},
         {0x300},
         {"W 70 24 a6 00"},
         Outcome::Differs},
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
        const Result<Programming> run = program(bench, image, &baseline);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(run.value.pagesWritten, c.pageHeaders.size());

        const Lines trace = bench.lines();
        Lines headers;
        for (const std::string& l : trace)
            if (l.rfind("W 70 24 ", 0) == 0) headers.push_back(l);
        EXPECT_EQ(headers, c.pageHeaders);
        EXPECT_EQ(countLines(trace, "R 71 1 : "), c.pageHeaders.empty() ? 0 : 1024);
        if (c.outcome == Outcome::Differs) {
            EXPECT_EQ(run.value.differences.front().at, 0x10u);
            EXPECT_EQ(run.words, "1 byte differs from p.qef: 1 of 64 pages written");
        }
        if (c.pageHeaders.empty()) {
            EXPECT_EQ(run.value.readBack, baseline);
            EXPECT_EQ(run.words, "the EEPROM already equals p.qef: 0 of 64 pages written");
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
        const Result<std::uint8_t> erase = eraseSettings(link, 0x72, c.offset);
        EXPECT_EQ(erase.outcome, Outcome::Done);
        EXPECT_EQ(erase.value, 0x70);

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
    const std::pair<std::uint32_t, const char*> cases[] = {
        {4,
         "Erase stopped: erasing the settings area of bank a0 failed, so it may be partly "
         "erased. The stored camera address was not cleared; the camera still answers at 72"},
        {5,
         "Erase stopped: clearing the stored camera address failed. The settings area of bank "
         "a0 is erased; the camera still answers at 72"},
        {6,
         "Erase stopped: clearing the stored camera address failed. The settings area of bank "
         "a0 is erased; the camera still answers at 72"}};
    for (const auto& [failing, words] : cases) {
        SCOPED_TRACE(failing);
        sim::SimState state = sim::SimState::builtInDefault();
        state.eeprom[3][0x50] = 0x72;
        state.faults.push_back({failing, std::nullopt, kStatusNack});
        SimBench bench(state);
        I2cLink link(bench.bus);
        const Result<std::uint8_t> erase = eraseSettings(link, 0x72, 0xE0);
        EXPECT_EQ(erase.outcome, Outcome::Failed);
        EXPECT_EQ(erase.words, words);
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
    const Result<SaveProgressCount> save = saveSettings(
        link, 0x70, 0x10, in, [&](SaveProgress p) { steps += p == SaveProgress::Step; });
    EXPECT_EQ(save.outcome, Outcome::Done);
    EXPECT_EQ(save.value.written, 24u);
    EXPECT_EQ(save.words, "settings saved in bank a0 from offset 10 (24 bytes)");
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
