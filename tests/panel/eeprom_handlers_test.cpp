// The configuration EEPROM buttons against the simulated camera: Browse, "Ld EEpr file",
// "Save " and "Erase EEpr", as the camera, the bus trace, the boxes and the progress bar see
// them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "frame/state_dump.h"
#include "io/hex.h"
#include "panel/control_ids.h"
#include "panel_rig.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using frame::ProgressInfo;

enum Bank { A0 = 0, A2 = 1, A4 = 2, A6 = 3 };

constexpr char kWriteFailed[] = "error during writing to 0xa2 (QEF-EEprom), action stopped!";
constexpr char kReadBackFailed[] = "error during Reading back from QEF EEProm ";
constexpr char kNack[] = "not a correct acknowledge recieved";
// Erase EEpr's warning as its trace line: the area it names.
std::string eraseWarning(const std::string& offset) {
    return "B This will erase camera EEPROM bank a0 from offset " + offset +
           " on, and the stored camera address. If this is ok please press again erase";
}

// What a progress bar operation leaves behind, checked state after state.
struct Op {
    enum Kind { Range, Pos, Step, StepIt } kind;
    int a = 0;
    int b = 0;
    int times = 1;
};
Op range(int min, int max) {
    return {Op::Range, min, max};
}
Op pos(int p) {
    return {Op::Pos, p};
}
Op step(int s) {
    return {Op::Step, s};
}
Op steps(int n) {
    return {Op::StepIt, 0, 0, n};
}

// The states the progress bar passed through, one per operation on it.
class ProgressLog {
public:
    explicit ProgressLog(PanelRig& rig) : rig_(rig), before_(rig.model().progress(IDC_PROGRESS)) {
        rig.dlg->model().setObserver([this](int id) {
            if (id == IDC_PROGRESS) states_.push_back(rig_.model().progress(IDC_PROGRESS));
        });
    }
    ~ProgressLog() { rig_.dlg->model().setObserver(nullptr); }

    int stepsTaken() const {
        int n = 0;
        ProgressInfo prev = before_;
        for (const ProgressInfo& s : states_) {
            n += s.pos != prev.pos && s.pos != 0;
            prev = s;
        }
        return n;
    }

    // Whether the bar received exactly these operations, in this order.
    ::testing::AssertionResult received(const std::vector<Op>& ops) const {
        std::vector<Op> flat;
        for (const Op& op : ops)
            for (int i = 0; i < op.times; ++i) flat.push_back(op);
        if (flat.size() != states_.size())
            return ::testing::AssertionFailure()
                   << states_.size() << " operations instead of " << flat.size();
        ProgressInfo prev = before_;
        for (std::size_t i = 0; i < flat.size(); ++i) {
            const ProgressInfo& s = states_[i];
            const bool sameRange = s.min == prev.min && s.max == prev.max;
            bool ok = false;
            switch (flat[i].kind) {
                case Op::Range:
                    ok = s.min == flat[i].a && s.max == flat[i].b && s.pos == prev.pos &&
                         s.step == prev.step;
                    break;
                case Op::Pos:
                    ok = sameRange && s.pos == flat[i].a && s.step == prev.step;
                    break;
                case Op::Step:
                    ok = sameRange && s.pos == prev.pos && s.step == flat[i].a;
                    break;
                case Op::StepIt:
                    ok = sameRange && s.step == prev.step &&
                         (s.pos == prev.pos + prev.step ||
                          (prev.pos + prev.step > prev.max && s.pos >= s.min && s.pos < prev.pos));
                    break;
            }
            if (!ok)
                return ::testing::AssertionFailure()
                       << "operation " << i << " left pb=" << s.min << "," << s.max << "," << s.pos
                       << "," << s.step;
            prev = s;
        }
        return ::testing::AssertionSuccess();
    }

private:
    PanelRig& rig_;
    ProgressInfo before_;
    std::vector<ProgressInfo> states_;
};

std::uint8_t pattern(std::size_t n) {
    return static_cast<std::uint8_t>(n * 7 + 3);
}

// A script for entries 0..count-1 of pattern, 16 pairs a line under a comment header.
std::string patternScript(std::size_t count) {
    std::string text = "// test image\n// 16 pairs a line\n";
    char pair[4];
    for (std::size_t n = 0; n < count; ++n) {
        std::snprintf(pair, sizeof pair, "%02x", pattern(n));
        text += pair;
        text += n % 16 == 15 ? "\r\n" : " ";
    }
    return text;
}

std::vector<std::uint8_t> bank(const PanelRig& rig, Bank b) {
    const auto& bytes = rig.camera.state().eeprom[b];
    return {bytes.begin(), bytes.end()};
}

class EepromButtons : public ::testing::Test {
protected:
    void SetUp() override {
        rig.start();
        rig.takeTrace();
    }
    std::string writeFile(const std::string& name, const std::string& text) {
        return scratch_.write(name, text);
    }

    void browse(const std::string& path) {
        rig.host.queueFileAnswer(path);
        rig.dlg->click(IDC_BROWSE);
    }

    // Chooses a script with Browse and presses "Ld EEpr file".
    void program(const std::string& path) {
        browse(path);
        rig.takeTrace();
        rig.dlg->click(IDC_LOAD_EEPROM);
    }

    // The transaction number of the data phase of the n-th camera command (from 1) that the
    // next action sends, when every command is a header and a data phase.
    std::uint32_t dataPhaseOf(std::uint32_t n) const { return rig.camera.transactions() + 2 * n; }

    ScratchDir scratch_;
    PanelRig rig;
};

// --- Browse -------------------------------------------------------------------------------

TEST_F(EepromButtons, BrowseShowsTheChosenPathAndACancelChangesNothing) {
    browse("/tmp/first.qef");
    EXPECT_EQ(rig.host.fileFilters().back(), "Qef files(.qef)|*.qef||");
    EXPECT_EQ(rig.text(IDC_SCRIPT_PATH), "/tmp/first.qef");
    EXPECT_EQ(rig.dlg->m_scriptPath, "/tmp/first.qef");

    rig.host.queueFileAnswer(std::nullopt);
    rig.dlg->click(IDC_BROWSE);
    EXPECT_EQ(rig.host.fileFilters().size(), 2u);
    EXPECT_EQ(rig.text(IDC_SCRIPT_PATH), "/tmp/first.qef");
    EXPECT_EQ(rig.dlg->m_scriptPath, "/tmp/first.qef");
    EXPECT_TRUE(rig.takeTrace().empty());
}

// --- Ld EEpr file ---------------------------------------------------------------------------

TEST_F(EepromButtons, AFullRunProgramsAllFourBanksAndVerifiesSilently) {
    const std::string path = writeFile("full.qef", patternScript(1024));
    browse(path);
    rig.takeTrace();
    ProgressLog progress(rig);
    rig.dlg->click(IDC_LOAD_EEPROM);

    EXPECT_TRUE(rig.host.boxes().empty());
    for (Bank b : {A0, A2, A4, A6})
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(bank(rig, b)[i], pattern(b * 256 + i)) << "bank " << b << " offset " << i;

    // The traffic itself is the programming operation's (tests/camera).
    EXPECT_EQ(rig.takeTrace().size(), 3u * 64 + 3 * 1024);
    EXPECT_TRUE(progress.received({range(1, 242), pos(0), step(1), steps(24), range(1, 242),
                                   step(1), steps(512), pos(0), pos(0)}));
    EXPECT_EQ(rig.model().progress(IDC_PROGRESS).pos, 0);
    EXPECT_EQ(rig.dlg->m_lastError, 0);
    EXPECT_EQ(rig.dlg->outcome_, "programmed and verified " + path + ": 64 of 64 pages written");
}

TEST_F(EepromButtons, AShorterSecondScriptProgramsTheFirstScriptsTail) {
    program(writeFile("full.qef", patternScript(1024)));
    program(writeFile("short.qef", "aa bb\n"));

    EXPECT_TRUE(rig.host.boxes().empty());  // verified against the same image: no complaint
    EXPECT_EQ(bank(rig, A0)[0], 0xAA);
    EXPECT_EQ(bank(rig, A0)[1], 0xBB);
    EXPECT_EQ(bank(rig, A0)[2], pattern(2));
    EXPECT_EQ(bank(rig, A6)[255], pattern(1023));
}

TEST_F(EepromButtons, AScriptThatLeavesEntriesToTheZeroStartImageIsRefused) {
    for (std::size_t entries : {std::size_t{2}, std::size_t{1023}}) {
        const std::string path = writeFile("short.qef", patternScript(entries));
        program(path);
        EXPECT_EQ(rig.takeTrace(),
                  (Lines{"B " + path + ": holds " + std::to_string(entries) +
                         " of the 1024 EEPROM bytes; a script for the camera gives every one"}));
    }
    EXPECT_EQ(bank(rig, A6)[0x50], 0xFF);  // the stored address is not zeroed

    // Once a whole image was loaded in this run, a shorter file programs over its tail.
    program(writeFile("full.qef", patternScript(1024)));
    program(writeFile("short.qef", patternScript(2)));
    EXPECT_EQ(rig.host.boxes().size(), 2u);
    EXPECT_EQ(bank(rig, A6)[0x50], pattern(768 + 0x50));
}

TEST_F(EepromButtons, AFailedPageWriteStopsTheRunBeforeTheNextPage) {
    const std::string path = writeFile("full.qef", patternScript(1024));
    browse(path);
    rig.takeTrace();
    const auto untouchedA2 = bank(rig, A2);
    rig.camera.state().faults.push_back({dataPhaseOf(17), std::nullopt, kStatusNack});
    ProgressLog progress(rig);
    rig.dlg->click(IDC_LOAD_EEPROM);

    EXPECT_EQ(rig.host.boxes(), (Lines{kNack, kWriteFailed}));
    const Lines trace = rig.takeTrace();
    EXPECT_EQ(Lines(trace.end() - 4, trace.end()),
              (Lines{"W 70 24 a2 00", "W 70 03 0a 11 18 1f 26 2d 34 3b 42 49 50 57 5e 65 6c !5",
                     std::string("B ") + kNack, std::string("B ") + kWriteFailed}));
    EXPECT_EQ(bank(rig, A0)[255], pattern(255));
    EXPECT_EQ(bank(rig, A2), untouchedA2);
    EXPECT_TRUE(progress.received({range(1, 242), pos(0), step(1), steps(6), pos(0)}));
    EXPECT_EQ(rig.dlg->m_lastError, 0);
}

TEST_F(EepromButtons, AFailedReadBackByteEndsWithoutAComparison) {
    const std::string path = writeFile("full.qef", patternScript(1024));
    browse(path);
    rig.takeTrace();
    rig.camera.state().faults.push_back({dataPhaseOf(64 + 301), std::nullopt, kStatusNack});
    rig.dlg->click(IDC_LOAD_EEPROM);

    EXPECT_EQ(rig.host.boxes(), (Lines{kNack, kReadBackFailed}));
    const Lines trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "R 71 1 : "), 301);
    EXPECT_EQ(trace.back(), std::string("B ") + kReadBackFailed);
    EXPECT_EQ(rig.model().progress(IDC_PROGRESS).pos, 0);
}

// A clock that, at the first read pause it sees once armed, runs its deed: the camera or the
// file changes between the writing and the reading back.
class MeddlingClock : public Pacer {
public:
    void sleepMs(unsigned ms) override {
        if (deed && ms == kReadPauseMs) std::exchange(deed, nullptr)();
    }
    std::function<void()> deed;
};

// A dialog on its own camera and the meddling clock, started, with a whole script chosen.
struct MeddledRun {
    explicit MeddledRun(const std::string& script) {
        dlg.OnInitDialog();
        host.queueFileAnswer(script);
        dlg.click(IDC_BROWSE);
    }
    sim::SimCamera camera;
    sim::SimAdapter adapter{camera};
    MeddlingClock clock;
    frame::HeadlessHost host;
    CVorlixDlg dlg{host, adapter, clock};
};

TEST_F(EepromButtons, TheFirstByteThatDiffersIsToldWithItsIndexByteAndEntry) {
    MeddledRun run(writeFile("full.qef", patternScript(1024)));
    // A cell that does not keep what was written: found when the banks are read back.
    run.clock.deed = [&] {
        run.camera.state().eeprom[A2][0xA5] = 0x3C;
        run.camera.state().eeprom[A2][0xA6] = 0x3D;
    };
    run.dlg.click(IDC_LOAD_EEPROM);
    ASSERT_EQ(pattern(0x1A5), 0x86);
    EXPECT_EQ(run.host.boxes(), (Lines{"QEF file in EEprom corrupt; addr 1a5: 3c 86 "}));
    EXPECT_EQ(run.dlg.model().progress(IDC_PROGRESS).pos, 0);
}

TEST_F(EepromButtons, TheScriptProgrammedIsTheOneThePathEditShows) {
    const std::string a = writeFile("a.qef", patternScript(1024));
    std::string allFives;
    for (int n = 0; n < 1024; ++n) allFives += "5a ";
    const std::string b = writeFile("b.qef", allFives);
    browse(a);
    // The person types another path over the one Browse filled in.
    rig.dlg->paste(IDC_SCRIPT_PATH, "");
    rig.dlg->type(IDC_SCRIPT_PATH, b);
    EXPECT_EQ(rig.dlg->m_scriptPath, b);
    rig.dlg->click(IDC_LOAD_EEPROM);
    EXPECT_TRUE(rig.host.boxes().empty());
    for (Bank k : {A0, A2, A4, A6}) EXPECT_EQ(bank(rig, k), std::vector<std::uint8_t>(256, 0x5A));
    EXPECT_EQ(rig.dlg->outcome_, "programmed and verified " + b + ": 64 of 64 pages written");

    // An emptied edit names no file.
    rig.dlg->paste(IDC_SCRIPT_PATH, "");
    rig.takeTrace();
    ProgressLog progress(rig);
    rig.dlg->click(IDC_LOAD_EEPROM);
    EXPECT_EQ(rig.takeTrace(), (Lines{"B Please enter file name!"}));
    EXPECT_TRUE(progress.received({range(1, 242), pos(0)}));
}

// A script refused before its first write leaves nothing of itself: the next one is laid over
// the last script that went into the camera.
TEST_F(EepromButtons, ARefusedScriptLeavesNothingForTheNextOne) {
    program(writeFile("full.qef", patternScript(1024)));
    std::string addressBa = patternScript(1024);
    // Pair 3 * 256 + 0x50 (the stored address) sits on line 2 + 0x350 / 16, at column 0.
    const std::size_t line = 2 + (3 * 256 + 0x50) / 16;
    std::size_t at = 0;
    for (std::size_t n = 0; n < line; ++n) at = addressBa.find('\n', at) + 1;
    addressBa.replace(at, 2, "ba");
    const std::string refused = writeFile("addrba.qef", addressBa);
    program(refused);
    EXPECT_EQ(countLines(rig.takeTrace(), "W "), 0);
    ASSERT_EQ(rig.host.boxes().size(), 1u);
    EXPECT_NE(rig.host.boxes().back().find("the byte for bank a6 offset 50 is ba"),
              std::string::npos)
        << rig.host.boxes().back();

    program(writeFile("short.qef", patternScript(100)));
    EXPECT_EQ(rig.host.boxes().size(), 1u);  // programmed and verified, without a box
    EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), pattern(3 * 256 + 0x50));
}

TEST_F(EepromButtons, AnUnreadableScriptIsNamedAndNothingIsSent) {
    const std::string missing = scratch_.path("gone.qef");
    program(missing);
    EXPECT_EQ(rig.takeTrace(), (Lines{"B cannot open " + missing + ": No such file or directory"}));

    const std::string folder = scratch_.path("folder.qef");
    fs::create_directories(folder);
    program(folder);
    EXPECT_EQ(rig.takeTrace(), (Lines{"B cannot read " + folder + ": Is a directory"}));
    EXPECT_EQ(rig.model().progress(IDC_PROGRESS).pos, 0);
}

TEST_F(EepromButtons, TheBanksAreVerifiedAgainstTheBytesWrittenNotTheFileAsItIsLater) {
    const std::string path = writeFile("brief.qef", patternScript(1024));
    MeddledRun run(path);
    run.clock.deed = [&] { fs::remove(path); };
    const std::uint32_t before = run.camera.transactions();
    run.dlg.click(IDC_LOAD_EEPROM);
    EXPECT_TRUE(run.host.boxes().empty());
    EXPECT_EQ(run.camera.transactions() - before, 2u * 64 + 2 * 1024);
    EXPECT_EQ(run.camera.eeprom(0xA6, 0xFF), pattern(1023));

    // The next press reads the file again, and tells that it is gone.
    run.dlg.click(IDC_LOAD_EEPROM);
    EXPECT_EQ(run.host.boxes(), (Lines{"cannot open " + path + ": No such file or directory"}));
}

// --- Save ---------------------------------------------------------------------------------

// A camera whose read-back ticks the boxes Save looks at.
sim::SimState snapshotCamera(bool autoWhite, bool overlays, bool manual) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.registers[0x301C] = 0x0003;
    s.registers[0x3254] = 0xC003;
    s.registers[0x326C] = 0x3800;
    s.registers[0xAC04] = autoWhite ? 0x00FF : 0x0000;
    s.registers[0x4F02] = overlays ? 0x8000 : 0x0000;
    s.registers[0x4F08] = 0x0000;
    s.registers[0x4F0A] = 0x8001;  // only "overlay 2" shown
    s.registers[0x4F0C] = 0x0002;
    s.registers[0x4F0E] = 0x0003;
    s.registers[0xA804] = manual ? 0x0000 : 0x000F;
    s.registers[0xA812] = 0x0050;
    s.registers[0x3012] = 0x0120;
    s.eeprom[A0].fill(0x5A);  // the area in front of the settings must survive
    return s;
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& v, std::size_t from,
                                std::size_t to) {
    return {v.begin() + static_cast<std::ptrdiff_t>(from),
            v.begin() + static_cast<std::ptrdiff_t>(to)};
}

using B = std::vector<std::uint8_t>;

TEST(Save, TheShortestSnapshotLandsAtTheOffsetWithTheEraseBehindIt) {
    PanelRig rig(snapshotCamera(true, false, false));
    rig.start();
    rig.dlg->paste(IDC_EEPROM_OFFSET, "10");
    rig.takeTrace();
    ProgressLog progress(rig);
    rig.dlg->click(IDC_SAVE);

    const B a0 = bank(rig, A0);
    EXPECT_EQ(slice(a0, 0, 0x10), B(16, 0x5A));
    EXPECT_EQ(slice(a0, 0x10, 0x10 + 24),
              (B{0x30, 0x1c, 0x00, 0x03, 0x32, 0x54, 0xc0, 0x03, 0x4f, 0x02, 0x00, 0x00,
                 0x32, 0x6c, 0x38, 0x00, 0xa8, 0x04, 0x00, 0x0f, 0xa8, 0x12, 0x00, 0x50}));
    EXPECT_EQ(slice(a0, 0x10 + 24, 256), B(256 - 0x10 - 24, 0xFF));

    EXPECT_TRUE(progress.received({step(1), pos(0), steps(15 + 20), pos(0)}));
    EXPECT_TRUE(rig.host.boxes().empty());
}

TEST(Save, TheLongestSnapshotEndsAt155AndCarriesTheCapturedWhiteBalance) {
    PanelRig rig(snapshotCamera(false, true, true));
    rig.start();
    for (std::size_t k = 0; k < 28; ++k)
        rig.dlg->m_p2wRegs[k] = static_cast<std::uint16_t>(0x0100 * k + 0x40 + k);
    rig.dlg->m_p2wCaptured = true;  // as after a Push2White capture
    rig.dlg->click(IDC_SAVE);

    const B a0 = bank(rig, A0);
    EXPECT_EQ(slice(a0, 12, 16), (B{0xac, 0x02, 0x01, 0x41}));  // m_p2wRegs[1]
    EXPECT_EQ(slice(a0, 76, 80), (B{0xac, 0x3a, 0x11, 0x51}));  // m_p2wRegs[17]
    EXPECT_EQ(slice(a0, 120, 140), (B{0x4f, 0x02, 0x80, 0x00, 0x4f, 0x08, 0x00, 0x00, 0x4f, 0x0a,
                                      0x80, 0x01, 0x4f, 0x0c, 0x00, 0x02, 0x4f, 0x0e, 0x00, 0x03}));
    EXPECT_EQ(slice(a0, 144, 156),
              (B{0xa8, 0x04, 0x00, 0x00, 0x30, 0x12, 0x01, 0x20, 0xa8, 0x12, 0x00, 0x50}));
    EXPECT_EQ(slice(a0, 156, 256), B(100, 0xFF));
    EXPECT_EQ(rig.dlg->m_overlayEnable, 1);
    EXPECT_EQ(rig.dlg->m_overlay2, 1);
    EXPECT_EQ(rig.dlg->m_overlay1, 0);
    EXPECT_EQ(countLines(rig.takeTrace(), "W 70 00 a0 "), 156);
}

TEST(Save, ASnapshotThatDoesNotFitIsRefusedBeforeAnythingIsErased) {
    PanelRig rig(snapshotCamera(false, true, true));
    rig.start();
    rig.dlg->m_p2wCaptured = true;
    rig.dlg->paste(IDC_EEPROM_OFFSET, "65");
    rig.takeTrace();
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(rig.takeTrace(),
              (Lines{"B Settings need 156 bytes; address offset 0x65 leaves only 155. Nothing was "
                     "written."}));
    EXPECT_EQ(bank(rig, A0), B(256, 0x5A));

    // The longest snapshot still fits from 0x64, up to the very last byte.
    rig.dlg->paste(IDC_EEPROM_OFFSET, "64");
    rig.dlg->click(IDC_SAVE);
    const B a0 = bank(rig, A0);
    EXPECT_EQ(slice(a0, 0, 0x64), B(0x64, 0x5A));
    EXPECT_EQ(slice(a0, 0xFC, 0x100), (B{0xa8, 0x12, 0x00, 0x50}));
    // The notice line tells the success, and forgets it when the next Save is refused.
    EXPECT_EQ(rig.dlg->outcome_, "settings saved in bank a0 from offset 64 (156 bytes)");
    rig.dlg->paste(IDC_EEPROM_OFFSET, "65");
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(rig.dlg->outcome_, "");
}

TEST(Save, AnOffsetThatIsNoPageBoundaryErasesTheLastPageOnlyUpTo0xFF) {
    PanelRig rig(snapshotCamera(true, false, false));
    rig.start();
    rig.dlg->paste(IDC_EEPROM_OFFSET, "1");
    rig.takeTrace();
    ProgressLog progress(rig);
    rig.dlg->click(IDC_SAVE);

    const B a0 = bank(rig, A0);
    EXPECT_EQ(a0[0], 0x5A);
    EXPECT_EQ(slice(a0, 1 + 24, 256), B(256 - 25, 0xFF));
    // A step for each of the 15 pages and for the tail of single bytes.
    EXPECT_TRUE(progress.received({step(1), pos(0), steps(16 + 20), pos(0)}));
}

TEST(Save, WithoutAReadBackThatGotThroughNothingIsWritten) {
    sim::SimState camera = snapshotCamera(true, false, false);
    camera.present = false;
    PanelRig rig(camera);
    rig.start();
    rig.camera.state().present = true;
    rig.dlg->click(IDC_SEARCH_ADDRESS);  // found, but nothing of it read
    rig.takeTrace();
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(rig.takeTrace(), (Lines{"B The camera's settings were not read: press Connect "
                                      "first. Nothing was written."}));
    rig.dlg->click(IDC_CONNECT);
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(slice(bank(rig, A0), 0, 4), (B{0x30, 0x1c, 0x00, 0x03}));
}

TEST(Save, WithoutACaptureInThisRunTheWhiteBalanceIsNotStoredFromStartValues) {
    PanelRig rig(snapshotCamera(false, false, false));
    rig.start();
    rig.takeTrace();
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(rig.takeTrace(), (Lines{"B No white balance was captured: press Push2White first, "
                                      "or tick Auto White Balance. Nothing was written."}));
    EXPECT_EQ(bank(rig, A0), B(256, 0x5A));

    // A good capture makes it storable.
    rig.dlg->click(IDC_PUSH2WHITE);
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(countLines(rig.takeTrace(), "W 70 00 a0 "), 24 + 112);
}

TEST(Save, TheFirstFailedTransferStopsSaveWithOneBoxThatSaysHowFarItGot) {
    // From offset e0: two erase pages (transactions 1..4), the projection pair (5..8), then
    // script byte n at 9 + 2n (header) and 10 + 2n (data).
    struct Case {
        std::uint32_t failing;
        const char* told;
        int scriptHeadersSent;  // the failed one included
    };
    const Case cases[] = {
        {3,
         "Save stopped: erasing the settings area of bank a0 failed, so it may be partly erased. "
         "No settings were written; run Save again.",
         0},
        {6,
         "Save stopped: reading the camera failed. The settings area of bank a0 is erased and no "
         "settings were written; run Save again.",
         0},
        {9 + 2 * 5,
         "Save stopped after 5 of 24 bytes: bank a0 now holds a partial settings script; run Save "
         "again.",
         6},
    };
    for (const Case& c : cases) {
        PanelRig rig(snapshotCamera(true, false, false));
        rig.start();
        rig.dlg->paste(IDC_EEPROM_OFFSET, "e0");
        rig.takeTrace();
        rig.camera.state().faults.push_back(
            {rig.camera.transactions() + c.failing, std::nullopt, kStatusNack});
        const std::uint32_t before = rig.camera.transactions();
        rig.dlg->click(IDC_SAVE);

        const Lines trace = rig.takeTrace();
        EXPECT_EQ(rig.camera.transactions() - before, c.failing);
        EXPECT_EQ(Lines(trace.end() - 2, trace.end()),
                  (Lines{std::string("B ") + kNack, std::string("B ") + c.told}));
        EXPECT_EQ(countLines(trace, "B "), 2);
        EXPECT_EQ(countLines(trace, "W 70 00 a0 "), c.scriptHeadersSent);
        EXPECT_EQ(rig.model().progress(IDC_PROGRESS).pos, 0);
    }
}

// --- The notice line ---------------------------------------------------------------------------

// The line says what the latest EEPROM write did while it is still true: a later write that
// goes ahead ends it, a read leaves it.
TEST(NoticeLine, SaysWhatTheLatestWriteDidUntilAnotherWriteGoesAhead) {
    PanelRig rig(snapshotCamera(true, false, false));
    rig.start();
    rig.dlg->click(IDC_SAVE);
    EXPECT_EQ(rig.dlg->outcome_, "settings saved in bank a0 from offset 00 (24 bytes)");
    rig.dlg->click(IDC_CONNECT);
    EXPECT_EQ(rig.dlg->outcome_, "settings saved in bank a0 from offset 00 (24 bytes)");
    rig.dlg->click(IDC_MIRROR);
    EXPECT_EQ(rig.dlg->outcome_, "");

    rig.dlg->m_trimX = 0x0C;
    rig.dlg->m_trimY = 0x06;
    rig.dlg->click(IDC_TRIM_STORE);
    EXPECT_EQ(rig.dlg->outcome_,
              "trim stored in bank a2: horizontal 0c, vertical 06; the camera starts with them at "
              "its next power-up");

    rig.dlg->paste(IDC_EEPROM_OFFSET, "ff");
    rig.dlg->click(IDC_ERASE);
    rig.dlg->click(IDC_ERASE);
    EXPECT_EQ(rig.dlg->outcome_,
              "settings erased in bank a0 from offset ff, stored camera address cleared: the "
              "camera answers at 70 after its next power-up");
    rig.dlg->paste(IDC_ADDRESS, "72");
    rig.dlg->click(IDC_SET_ADDRESS);
    EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), 0x72);
    EXPECT_EQ(rig.dlg->outcome_, "");
}

// --- Erase EEpr -----------------------------------------------------------------------------

TEST(EraseEeprom, EverySecondPressErasesAndASaveBetweenChangesNothing) {
    sim::SimState camera = snapshotCamera(true, false, false);
    camera.eeprom[A6][0x50] = 0x72;
    PanelRig rig(camera);
    rig.start();
    rig.dlg->paste(IDC_EEPROM_OFFSET, "f0");
    rig.takeTrace();

    rig.dlg->click(IDC_ERASE);
    EXPECT_EQ(rig.takeTrace(), (Lines{eraseWarning("f0")}));

    rig.dlg->click(IDC_ERASE);
    EXPECT_EQ(
        rig.takeTrace(),
        (Lines{"W 72 24 a0 f0", "W 72 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff", "P 20",
               "W 72 00 a6 50", "W 72 ff", "P 20", "B You MUST re-power camera now"}));
    EXPECT_EQ(rig.dlg->m_camAddr, 0x70);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "70");
    EXPECT_EQ(slice(bank(rig, A0), 0, 0xF0), B(0xF0, 0x5A));
    EXPECT_EQ(slice(bank(rig, A0), 0xF0, 0x100), B(16, 0xFF));
    rig.camera.repower();
    EXPECT_EQ(rig.camera.address(), 0x70);

    rig.dlg->paste(IDC_EEPROM_OFFSET, "0");
    rig.dlg->click(IDC_SAVE);
    rig.takeTrace();
    rig.dlg->click(IDC_ERASE);
    EXPECT_EQ(rig.takeTrace(), (Lines{eraseWarning("00")}));
    rig.dlg->click(IDC_ERASE);
    EXPECT_EQ(countLines(rig.takeTrace(), "W 70 24 a0 "), 16);

    std::ostringstream dump;
    frame::writeStateDump(*rig.dlg, dump);
    EXPECT_NE(dump.str().find("\nmem erasePresses 4\n"), std::string::npos);
}

// A warning arms for the area it names alone: a press after the offset changed, or after
// another operation wrote the EEPROM, warns anew; a read in between changes nothing.
TEST(EraseEeprom, AWarningArmsForTheAreaItNamesAlone) {
    struct Case {
        const char* between;
        std::function<void(PanelRig&)> act;
        const char* erasedFrom;  // the offset the next presses warn about and erase from
        bool warnsAnew;
    };
    const Case cases[] = {
        {"nothing", [](PanelRig&) {}, "80", false},
        {"Connect", [](PanelRig& r) { r.dlg->click(IDC_CONNECT); }, "80", false},
        {"another offset", [](PanelRig& r) { r.dlg->paste(IDC_EEPROM_OFFSET, "00"); }, "00", true},
        {"the same offset typed again",
         [](PanelRig& r) {
             r.dlg->paste(IDC_EEPROM_OFFSET, "");
             r.dlg->type(IDC_EEPROM_OFFSET, "80");
         },
         "80", true},
        {"Mirror", [](PanelRig& r) { r.dlg->click(IDC_MIRROR); }, "80", true},
        {"Save", [](PanelRig& r) { r.dlg->click(IDC_SAVE); }, "80", true},
        {"a direct EEPROM write",
         [](PanelRig& r) {
             r.dlg->click(IDC_TARGET_EEPROM1);
             r.dlg->paste(IDC_REG_LO, "33");
             r.dlg->paste(IDC_DATA_LO, "44");
             r.dlg->click(IDC_SEND);
         },
         "80", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.between);
        PanelRig rig(snapshotCamera(true, false, false));
        rig.start();
        rig.dlg->paste(IDC_EEPROM_OFFSET, "80");
        rig.takeTrace();
        rig.dlg->click(IDC_ERASE);
        EXPECT_EQ(rig.takeTrace(), (Lines{eraseWarning("80")}));
        c.act(rig);
        rig.camera.state().eeprom[A0].fill(0x5A);
        rig.takeTrace();

        rig.dlg->click(IDC_ERASE);
        if (c.warnsAnew) {
            EXPECT_EQ(rig.takeTrace(), (Lines{eraseWarning(c.erasedFrom)}));
            rig.dlg->click(IDC_ERASE);
        }
        const Lines erased = rig.takeTrace();
        ASSERT_FALSE(erased.empty());
        EXPECT_EQ(erased.front(), std::string("W 70 24 a0 ") + c.erasedFrom);
        const std::size_t from = std::stoul(c.erasedFrom, nullptr, 16);
        EXPECT_EQ(slice(bank(rig, A0), 0, from), B(from, 0x5A));
        EXPECT_EQ(slice(bank(rig, A0), from, 256), B(256 - from, 0xFF));
        EXPECT_NE(
            rig.dump().find(std::string("\nmem erasePresses ") + (c.warnsAnew ? "3" : "2") + "\n"),
            std::string::npos);
    }
}

// Save and Erase EEpr take the offset edit as Set takes its address: one or two hex digits,
// optionally after 0x; an empty edit is 00. Any other text is named in a box, and nothing is
// sent.
TEST(SettingsOffset, SaveAndEraseRefuseATextThatIsNoOffsetAndSendNothing) {
    PanelRig rig(snapshotCamera(true, false, false));
    rig.start();
    for (const char* typed : {"4O", "zz", "1ff", " 40", "-1", "40h"}) {
        rig.dlg->paste(IDC_EEPROM_OFFSET, typed);
        rig.takeTrace();
        const std::string box = std::string("B Offset \"") + typed +
                                "\" cannot be used: give the offset in bank a0 as one or two "
                                "hex digits (00 to ff). Nothing was written.";
        rig.dlg->click(IDC_SAVE);
        EXPECT_EQ(rig.takeTrace(), (Lines{box})) << typed;
        rig.dlg->click(IDC_ERASE);
        rig.dlg->click(IDC_ERASE);
        EXPECT_EQ(rig.takeTrace(), (Lines{box, box})) << typed;
    }
    EXPECT_EQ(bank(rig, A0), B(256, 0x5A));

    struct Taken {
        const char* typed;
        std::size_t from;
    };
    for (const Taken t : {Taken{"0x40", 0x40}, Taken{"", 0x00}, Taken{"E0", 0xE0}}) {
        rig.camera.state().eeprom[A0].fill(0x5A);
        rig.dlg->paste(IDC_EEPROM_OFFSET, t.typed);
        rig.dlg->click(IDC_SAVE);
        EXPECT_EQ(slice(bank(rig, A0), 0, t.from), B(t.from, 0x5A)) << t.typed;
        EXPECT_EQ(slice(bank(rig, A0), t.from, t.from + 4), (B{0x30, 0x1c, 0x00, 0x03})) << t.typed;
    }
}

// The box names the address the camera really answers at, the last one the search reaches
// (f8) too, never the default.
TEST(EraseEeprom, AFailedEraseStopsBeforeTheStoredAddressIsCleared) {
    for (const std::uint8_t stored : {0x72, 0xF8}) {
        sim::SimState camera = snapshotCamera(true, false, false);
        camera.eeprom[A6][0x50] = stored;
        PanelRig rig(camera);
        rig.start();
        rig.dlg->paste(IDC_EEPROM_OFFSET, "e0");
        rig.dlg->click(IDC_ERASE);
        rig.takeTrace();
        // The data phase of the second page.
        rig.camera.state().faults.push_back(
            {rig.camera.transactions() + 4, std::nullopt, kStatusNack});
        rig.dlg->click(IDC_ERASE);
        const Lines trace = rig.takeTrace();
        const std::string at = io::hexByte(stored);
        EXPECT_EQ(trace.back(),
                  "B Erase stopped: erasing the settings area of bank a0 failed, so it may be "
                  "partly erased. The stored camera address was not cleared; the camera still "
                  "answers at " +
                      at + ".");
        EXPECT_EQ(countLines(trace, "B "), 2);
        EXPECT_EQ(countLines(trace, "W " + at + " 00 a6 50"), 0);
        EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), stored);
        EXPECT_EQ(rig.dlg->m_camAddr, stored);
    }
}

TEST(EraseEeprom, AFailedAddressClearKeepsTheOldAddressAndSaysSo) {
    sim::SimState camera = sim::SimState::builtInDefault();
    camera.eeprom[A6][0x50] = 0x72;
    PanelRig rig(camera);
    rig.start();
    rig.dlg->paste(IDC_EEPROM_OFFSET, "ff");
    rig.camera.state().present = false;
    rig.dlg->click(IDC_ERASE);
    rig.takeTrace();
    rig.dlg->click(IDC_ERASE);
    // The header failed: no data phase, no pause, no re-power request.
    EXPECT_EQ(rig.takeTrace(),
              (Lines{"W 72 00 a6 50 !15", "B error: device not present",
                     "B Erase stopped: clearing the stored camera address failed. The settings "
                     "area of bank a0 is erased; the camera still answers at 72."}));
    EXPECT_EQ(rig.dlg->m_camAddr, 0x72);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "72");
}

}  // namespace
}  // namespace vorlix::test
