// The dialog's EEPROM-write guard: each action that writes the EEPROM asks it once, after the
// action's own checks and right before its first EEPROM write; a refusal is boxed and nothing
// is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr char kGuardLine[] = "G 70";  // the guard's own mark in the trace: camera address 70

// A camera command header that writes a byte or a page into one of the EEPROM banks.
bool isEepromWrite(const std::string& line) {
    return line.rfind("W 70 00 a", 0) == 0 || line.rfind("W 70 24 a", 0) == 0;
}

struct GuardedAction {
    const char* name;
    std::function<void(PanelRig&)> prepare;  // controls filled; the trace is dropped after it
    std::function<void(PanelRig&)> act;
};

fs::path scriptPath() {
    return fs::temp_directory_path() / ("vorlix_guard_" + std::to_string(::getpid()) + ".qef");
}

// A script that fills the whole EEPROM, chosen with Browse.
void chooseFullScript(PanelRig& rig) {
    const fs::path path = scriptPath();
    std::ofstream out(path);
    for (int line = 0; line < 64; ++line) {
        for (int n = 0; n < 16; ++n) out << "5a ";
        out << "\n";
    }
    rig.host.queueFileAnswer(path.string());
    rig.dlg->click(IDC_BROWSE);
}

void click(PanelRig& rig, int id) {
    rig.dlg->click(id);
}

// Each action, ready to write: its own checks pass.
const std::vector<GuardedAction>& writingActions() {
    static const std::vector<GuardedAction> actions = {
        {"Ld EEpr file", chooseFullScript, [](PanelRig& r) { click(r, IDC_LOAD_EEPROM); }},
        {"Save", [](PanelRig& r) { r.dlg->m_p2wCaptured = true; },
         [](PanelRig& r) { click(r, IDC_SAVE); }},
        {"Erase EEpr", [](PanelRig& r) { click(r, IDC_ERASE); },  // the warning press
         [](PanelRig& r) { click(r, IDC_ERASE); }},
        {"Set", [](PanelRig& r) { r.dlg->paste(IDC_ADDRESS, "72"); },
         [](PanelRig& r) { click(r, IDC_SET_ADDRESS); }},
        {"EEPROM SEND",
         [](PanelRig& r) {
             click(r, IDC_TARGET_EEPROM2);
             r.dlg->paste(IDC_REG_LO, "33");
             r.dlg->paste(IDC_DATA_LO, "44");
         },
         [](PanelRig& r) { click(r, IDC_SEND); }},
        {"Mirror", [](PanelRig&) {}, [](PanelRig& r) { click(r, IDC_MIRROR); }},
        {"trim STORE", [](PanelRig&) {}, [](PanelRig& r) { click(r, IDC_TRIM_STORE); }},
    };
    return actions;
}

// Runs action on the default camera with a guard that marks the trace and answers refusal;
// the trace of the action itself.
Lines runGuarded(const GuardedAction& action, std::optional<std::string> refusal, PanelRig& rig) {
    rig.start();
    rig.dlg->setEepromWriteGuard(
        [&rig, refusal](I2cLink&, std::uint8_t camAddr, const GuardProgress&) {
            char mark[8];
            std::snprintf(mark, sizeof mark, "G %02x", camAddr);
            rig.trace.line(mark);
            if (!refusal) return camera::GateAnswer{};
            return camera::GateAnswer{.outcome = camera::Outcome::NoBackup, .words = *refusal};
        });
    action.prepare(rig);
    rig.takeTrace();
    action.act(rig);
    return rig.takeTrace();
}

TEST(EepromWriteGuard, IsAskedOnceRightBeforeTheFirstEepromWriteOfEachAction) {
    for (const GuardedAction& action : writingActions()) {
        SCOPED_TRACE(action.name);
        PanelRig rig;
        const Lines trace = runGuarded(action, std::nullopt, rig);
        const auto guard = std::find(trace.begin(), trace.end(), kGuardLine);
        ASSERT_NE(guard, trace.end());
        EXPECT_EQ(std::count(trace.begin(), trace.end(), kGuardLine), 1);
        EXPECT_TRUE(std::none_of(trace.begin(), guard, isEepromWrite));
        ASSERT_NE(guard + 1, trace.end());
        EXPECT_TRUE(isEepromWrite(guard[1])) << guard[1];
    }
    fs::remove(scriptPath());
}

TEST(EepromWriteGuard, ARefusalIsBoxedAndNothingIsWritten) {
    for (const GuardedAction& action : writingActions()) {
        SCOPED_TRACE(action.name);
        PanelRig rig;
        const auto before = rig.camera.state().eeprom;
        const Lines trace = runGuarded(action, "No backup, nothing written.", rig);
        const auto guard = std::find(trace.begin(), trace.end(), kGuardLine);
        ASSERT_NE(guard, trace.end());
        EXPECT_EQ(Lines(guard, trace.end()), (Lines{kGuardLine, "B No backup, nothing written."}));
        EXPECT_TRUE(std::none_of(trace.begin(), trace.end(), isEepromWrite));
        EXPECT_EQ(rig.camera.state().eeprom, before);
        EXPECT_EQ(rig.checked(IDC_MIRROR), 0);  // as the camera still shows it
    }
    fs::remove(scriptPath());
}

TEST(EepromWriteGuard, IsNotAskedWhenTheActionRefusesByItself) {
    const GuardedAction refused[] = {
        {"Ld EEpr file without a file", [](PanelRig&) {},
         [](PanelRig& r) { click(r, IDC_LOAD_EEPROM); }},
        {"Save that does not fit", [](PanelRig& r) { r.dlg->paste(IDC_EEPROM_OFFSET, "f0"); },
         [](PanelRig& r) { click(r, IDC_SAVE); }},
        {"Erase EEpr's warning press", [](PanelRig&) {}, [](PanelRig& r) { click(r, IDC_ERASE); }},
        {"Set to the sensor's address", [](PanelRig& r) { r.dlg->paste(IDC_ADDRESS, "ba"); },
         [](PanelRig& r) { click(r, IDC_SET_ADDRESS); }},
        {"EEPROM SEND with empty edits", [](PanelRig& r) { click(r, IDC_TARGET_EEPROM0); },
         [](PanelRig& r) { click(r, IDC_SEND); }},
    };
    for (const GuardedAction& action : refused) {
        SCOPED_TRACE(action.name);
        PanelRig rig;
        const Lines trace = runGuarded(action, std::nullopt, rig);
        EXPECT_EQ(countLines(trace, "B "), 1);
        EXPECT_EQ(countLines(trace, "G "), 0);
    }
}

}  // namespace
}  // namespace vorlix::test
