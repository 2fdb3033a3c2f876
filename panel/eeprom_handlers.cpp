// The configuration EEPROM buttons: choose a script file and program it with verification,
// store the current settings as a snapshot, erase the snapshot area.
#include <algorithm>
#include <cstdio>

#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "eeprom/script_file.h"
#include "io/hex.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

// The settings area's start as the offset edit shows it.
std::string offsetText(std::int16_t offset) {
    return io::formatHex(static_cast<std::uint16_t>(offset));
}

}  // namespace

void CVorlixDlg::OnBrowse() {
    // Several files may be picked; only the first one's path is used.
    if (auto path = host().openFileDialog("Qef files(.qef)|*.qef||", true)) {
        setItemText(IDC_SCRIPT_PATH, *path);
        m_scriptPath = *path;
    }
}

void CVorlixDlg::OnLoadEepromFile() {
    tellOutcome("");
    m_progress.SetRange(kRunProgressMin, kRunProgressMax);
    m_progress.SetPos(0);
    // Only a path chosen with Browse counts; text typed into the path edit is never used.
    if (m_scriptPath.empty()) {
        host().messageBox("Please enter file name!");
        return;
    }
    frame::CWaitCursor wait(host());
    // The file is read again at every press, whole, and nothing of a refused file is kept.
    std::string whyNot;
    std::optional<eeprom::ScriptFile> file =
        eeprom::loadScript(m_scriptPath, eeprom_.scriptImage, whyNot);
    if (file) {
        eeprom_.scriptImage = file->image;
        eeprom_.filledEntries = std::max(eeprom_.filledEntries, file->pairs);
        I2cLink link(bus());
        const camera::ProgrammingOutcome outcome = camera::programScript(
            link, camAddr(), eeprom_,
            [this](camera::ProgrammingProgress moment) {
                switch (moment) {
                    case camera::ProgrammingProgress::Writing:
                        m_progress.SetStep(1);
                        break;
                    case camera::ProgrammingProgress::Verifying:
                        m_progress.SetRange(kRunProgressMin, kRunProgressMax);
                        m_progress.SetStep(1);
                        break;
                    case camera::ProgrammingProgress::Step:
                        m_progress.StepIt();
                        break;
                    case camera::ProgrammingProgress::Page:
                        break;
                }
            },
            writeGate(link));
        showProgrammingOutcome(outcome, *file);
    } else {
        host().messageBox(whyNot);
    }
    m_progress.SetPos(0);
    m_lastError = 0;
}

// The boxes of a programming run, each after the bus traffic that led to it; the bar goes
// back to its start once the banks were read back, before a difference is told.
void CVorlixDlg::showProgrammingOutcome(const camera::ProgrammingOutcome& outcome,
                                        const eeprom::ScriptFile& file) {
    using camera::ProgrammingResult;
    m_lastError = outcome.error;
    switch (outcome.result) {
        case ProgrammingResult::Refused:
            host().messageBox(outcome.whyNot);
            break;
        case ProgrammingResult::TooShort:
            host().messageBox(eeprom::tooShortText(file.path, file.pairs));
            break;
        case ProgrammingResult::Unfindable:
            host().messageBox(eeprom::scriptLine(file.path, outcome.whyNot));
            break;
        case ProgrammingResult::WriteFailed:
            // The text says 0xa2 whichever bank failed: it stays as technicians know it.
            host().messageBox("error during writing to 0xa2 (QEF-EEprom), action stopped!");
            break;
        case ProgrammingResult::ReadBackFailed:
            host().messageBox("error during Reading back from QEF EEProm ");
            m_progress.SetPos(0);
            m_lastError = 0;
            break;
        case ProgrammingResult::Differs:
            m_progress.SetPos(0);
            m_lastError = 0;
            host().messageBox("QEF file in EEprom corrupt; addr " + io::formatHex(outcome.at) +
                              ": " + io::formatHex(outcome.camera) + " " +
                              io::formatHex(outcome.file) + " ");
            break;
        case ProgrammingResult::Verified:
            m_progress.SetPos(0);
            m_lastError = 0;
            tellOutcome("programmed and verified " + file.path);
            break;
    }
}

// Save refuses before anything is sent when it would store values nobody read or gave, and
// stops at the first failed transfer with one box that says how far it got.
void CVorlixDlg::OnSave() {
    camera::SettingsInput in;
    // Without a read-back that got through, the sharpness and exposure values are start
    // values, not the camera's; the white point must be one the person held with Push2White.
    in.valuesRead = m_cameraRead;
    in.autoWhiteBalance = m_awbCheck != 0;
    in.whiteBalance = m_p2wRegs;
    in.whiteBalanceCaptured = m_p2wCaptured;
    const int overlayEnable = isChecked(IDC_OVERLAY_ENABLE);
    in.overlaysEnabled = overlayEnable != 0;
    const std::array<int, 4> shown = {isChecked(IDC_OVERLAY1), isChecked(IDC_OVERLAY2),
                                      isChecked(IDC_OVERLAY3), isChecked(IDC_OVERLAY4)};
    if (in.overlaysEnabled)
        in.overlayShown = {shown[0] != 0, shown[1] != 0, shown[2] != 0, shown[3] != 0};
    in.sharpReg = m_sharpReg;
    in.manualExposure = m_manualExpCheck != 0;
    in.shutter = m_shutter;
    in.aexRef = m_aexRef;

    frame::CWaitCursor wait(host());
    tellOutcome("");
    bool started = false;
    I2cLink link(bus());
    const camera::SaveOutcome outcome = camera::saveSettings(
        link, camAddr(), m_eepromOffset, in,
        [this, &started](camera::SaveProgress moment) {
            if (moment == camera::SaveProgress::Starting) {
                started = true;
                m_progress.SetStep(1);
                m_progress.SetPos(0);
            } else if (moment == camera::SaveProgress::Step) {
                m_progress.StepIt();
            }
        },
        writeGate(link));
    // The overlay members follow the boxes that the snapshot took once the camera was read.
    if (outcome.readCamera()) {
        m_overlayEnable = overlayEnable;
        if (m_overlayEnable) {
            m_overlay1 = shown[0];
            m_overlay2 = shown[1];
            m_overlay3 = shown[2];
            m_overlay4 = shown[3];
        }
    }
    if (started) m_progress.SetPos(0);
    char text[120];
    switch (outcome.result) {
        case camera::SaveResult::Saved:
            tellOutcome("settings saved in bank a0 from offset " + offsetText(m_eepromOffset));
            break;
        case camera::SaveResult::DoesNotFit:
        case camera::SaveResult::Refused:
            host().messageBox(outcome.whyNot);
            break;
        case camera::SaveResult::NotRead:
            host().messageBox(
                "The camera's settings were not read: press Connect first. Nothing was written.");
            break;
        case camera::SaveResult::NotCaptured:
            host().messageBox(
                "No white balance was captured: press Push2White first, or tick Auto White "
                "Balance. Nothing was written.");
            break;
        case camera::SaveResult::EraseFailed:
            host().messageBox(
                "Save stopped: erasing the settings area of bank a0 failed, so it may be partly "
                "erased. No settings were written; run Save again.");
            break;
        case camera::SaveResult::ReadFailed:
            host().messageBox(
                "Save stopped: reading the camera failed. The settings area of bank a0 is erased "
                "and no settings were written; run Save again.");
            break;
        case camera::SaveResult::WriteFailed:
            std::snprintf(text, sizeof text,
                          "Save stopped after %zu of %zu bytes: bank a0 now holds a partial "
                          "settings script. Run Save again.",
                          outcome.written, outcome.length);
            host().messageBox(text);
            break;
    }
}

// Erase stops at the first failed transfer. The default address is taken (and the person
// told to re-power) only once the stored address was really cleared: until the next
// power-up the camera still answers at its old address.
void CVorlixDlg::OnEraseEeprom() {
    // Every second press erases; the press before it warns. The count never starts over.
    const bool armed = eeprom_.erasePresses % 2 != 0;
    ++eeprom_.erasePresses;
    if (!armed) {
        host().messageBox(
            "This will erase part of camera EEPROM. If this is ok please press again erase");
        return;
    }
    frame::CWaitCursor wait(host());
    tellOutcome("");
    I2cLink link(bus());
    const camera::EraseOutcome outcome =
        camera::eraseSettings(link, camAddr(), m_eepromOffset, writeGate(link));
    switch (outcome.result) {
        case camera::EraseResult::Erased:
            answersUntilRepower_ = answersUntilRepower_.value_or(camAddr());
            m_camAddr = outcome.address;
            showCameraAddress();
            tellOutcome("settings erased in bank a0 from offset " + offsetText(m_eepromOffset) +
                        ", stored camera address cleared");
            host().messageBox("You MUST re-power camera now");
            break;
        case camera::EraseResult::Refused:
            host().messageBox(outcome.whyNot);
            break;
        case camera::EraseResult::EraseFailed:
            host().messageBox(
                "Erase stopped: erasing the settings area of bank a0 failed, so it may be partly "
                "erased. The stored camera address was not cleared; " +
                stillAnswersAt());
            break;
        case camera::EraseResult::AddressClearFailed:
            host().messageBox(
                "Erase stopped: clearing the stored camera address failed. The settings area of "
                "bank a0 is erased; " +
                stillAnswersAt());
            break;
    }
}

}  // namespace vorlix::panel
