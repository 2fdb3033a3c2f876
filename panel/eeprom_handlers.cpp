// The configuration EEPROM buttons: choose a script file and program it with verification,
// store the current settings as a snapshot, erase the snapshot area.
#include <algorithm>

#include "camera/address.h"
#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "camera/typed_byte.h"
#include "eeprom/script_file.h"
#include "io/hex.h"
#include "panel/borrowed_bar.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

// Browse fills the path edit; the edit is the one place the script's path is taken from.
void CVorlixDlg::OnBrowse() {
    // Several files may be picked; only the first one's path is used.
    if (auto path = host().openFileDialog("Qef files(.qef)|*.qef||", true)) {
        setItemText(IDC_SCRIPT_PATH, *path);
        m_scriptPath = *path;
    }
}

// A path typed (or pasted) into the edit is the one that is programmed: the edit never shows
// one file while another is written.
void CVorlixDlg::OnScriptPathChange() {
    m_scriptPath = model().text(IDC_SCRIPT_PATH);
}

void CVorlixDlg::OnLoadEepromFile() {
    tellOutcome("");
    m_progress.SetRange(kRunProgressMin, kRunProgressMax);
    m_progress.SetPos(0);
    if (m_scriptPath.empty()) {
        host().messageBox("Please enter file name!");
        return;
    }
    frame::CWaitCursor wait(host());
    // The file is read again at every press, whole, over the image of the last script that was
    // programmed.
    const io::Expected<eeprom::ScriptFile> file = eeprom::loadScript(m_scriptPath, scriptImage_);
    if (!file) {
        host().messageBox(file.why());
        m_progress.SetPos(0);
        m_lastError = 0;
        return;
    }
    // A tail that only the zero start image could fill is refused before anything is sent (a
    // zero stored address would move the camera to the general-call address).
    const std::size_t filled = std::max(filledEntries_, file->pairs);
    if (filled < eeprom::kEepromSize) {
        host().messageBox(eeprom::tooShortText(file->path, file->pairs));
    } else {
        I2cLink link(bus());
        const camera::Result<camera::Programming> run = camera::programScript(
            link, camAddr(), file->image, file->path,
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
        // Only a script that went into the camera is the base of the next one: a refused
        // script, or one that no backup let through, leaves nothing of itself behind.
        if (run.outcome != camera::Outcome::Refused && run.outcome != camera::Outcome::NoBackup) {
            scriptImage_ = file->image;
            filledEntries_ = filled;
        }
        showProgrammingResult(run, *file);
    }
    m_progress.SetPos(0);
    m_lastError = 0;
}

// The boxes of a programming run, each after the bus traffic that led to it; the bar goes
// back to its start once the banks were read back, before a difference is told. A failed
// page write, a failed read-back and a difference are told in the window's own fixed words,
// as technicians know them.
void CVorlixDlg::showProgrammingResult(const camera::Result<camera::Programming>& run,
                                       const eeprom::ScriptFile& file) {
    using camera::Outcome;
    switch (run.outcome) {
        case Outcome::Refused:
            host().messageBox(eeprom::scriptLine(file.path, run.words));
            break;
        case Outcome::NoBackup:
            host().messageBox(run.words);
            break;
        case Outcome::Failed:
            m_lastError = 1;
            if (!run.value.verifying) {
                // The text says 0xa2 whichever bank failed: it stays as technicians know it.
                host().messageBox("error during writing to 0xa2 (QEF-EEprom), action stopped!");
                break;
            }
            host().messageBox("error during Reading back from QEF EEProm ");
            m_progress.SetPos(0);
            m_lastError = 0;
            break;
        case Outcome::Differs: {
            m_progress.SetPos(0);
            m_lastError = 0;
            const camera::EepromDifference& first = run.value.differences.front();
            host().messageBox("QEF file in EEprom corrupt; addr " + io::formatHex(first.at) + ": " +
                              io::formatHex(first.camera) + " " + io::formatHex(first.file) + " ");
            break;
        }
        case Outcome::Done:
            m_progress.SetPos(0);
            m_lastError = 0;
            tellOutcome(run.words);
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

    tellOutcome("");
    const std::optional<std::uint8_t> offset = typedOffset();
    if (!offset) return;
    frame::CWaitCursor wait(host());
    bool started = false;
    I2cLink link(bus());
    const camera::Result<camera::SaveProgressCount> save = camera::saveSettings(
        link, camAddr(), *offset, in,
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
    if (save.value.pairRead) {
        m_overlayEnable = overlayEnable;
        if (m_overlayEnable) {
            m_overlay1 = shown[0];
            m_overlay2 = shown[1];
            m_overlay3 = shown[2];
            m_overlay4 = shown[3];
        }
    }
    if (started) m_progress.SetPos(0);
    switch (save.outcome) {
        case camera::Outcome::Done:
            tellOutcome(save.words);
            break;
        case camera::Outcome::Failed:
            host().messageBox(save.words + "; run Save again.");
            break;
        default:
            host().messageBox(save.words);
            break;
    }
}

std::optional<std::uint8_t> CVorlixDlg::typedOffset() {
    const std::string& typed = model().text(IDC_EEPROM_OFFSET);
    const std::optional<std::uint8_t> offset =
        camera::typedByte(camera::kSettingsOffsetField, typed);
    if (!offset) {
        host().messageBox(camera::untypedByteText(camera::kSettingsOffsetField, typed));
        return std::nullopt;
    }
    m_eepromOffset = *offset;
    return offset;
}

// A press erases only the area that the press before it warned about, named in the warning:
// once the offset changed, or another operation wrote the EEPROM, a press warns anew. Erase
// stops at the first failed transfer. The default address is taken (and the person told to
// re-power) only once the stored address was really cleared: until the next power-up the
// camera still answers at its old address.
void CVorlixDlg::OnEraseEeprom() {
    ++erasePresses_;
    const std::optional<std::uint8_t> offset = typedOffset();
    if (!offset) return;
    if (!eraseArmed_) {
        eraseArmed_ = true;
        host().messageBox(camera::eraseWarning(*offset));
        return;
    }
    eraseArmed_ = false;
    frame::CWaitCursor wait(host());
    tellOutcome("");
    BorrowedBar bar(m_progress, model(), camera::erasePages(*offset));
    std::size_t erased = 0;
    I2cLink link(bus());
    const camera::Result<std::uint8_t> erase = camera::eraseSettings(
        link, camAddr(), *offset, writeGate(link), [&bar, &erased] { bar.show(++erased); },
        answersAt());
    switch (erase.outcome) {
        case camera::Outcome::Done:
            answersUntilRepower_ = answersAt();
            m_camAddr = erase.value;
            showCameraAddress();
            tellOutcome(erase.words);
            host().messageBox(camera::kRepowerText);
            break;
        case camera::Outcome::Failed:
            host().messageBox(erase.words + ".");
            break;
        default:
            host().messageBox(erase.words);
            break;
    }
}

}  // namespace vorlix::panel
