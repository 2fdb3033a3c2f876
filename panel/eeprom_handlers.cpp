// The configuration EEPROM buttons: choose a script file and program it with verification,
// store the current settings as a snapshot, erase the snapshot area.
#include "eeprom/script_programmer.h"
#include "eeprom/settings_snapshot.h"
#include "link/camera_registers.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

constexpr std::uint8_t kAddressBank = 0xA6;
constexpr std::uint8_t kAddressOffset = 0x50;
constexpr std::uint8_t kNoStoredAddress = 0xFF;

}  // namespace

void CVorlixDlg::OnBrowse() {
    // Several files may be picked; only the first one's path is used.
    if (auto path = host().openFileDialog("Qef files(.qef)|*.qef||", true)) {
        setItemText(IDC_SCRIPT_PATH, *path);
        m_scriptPath = *path;
    }
}

void CVorlixDlg::OnLoadEepromFile() {
    m_progress.SetRange(eeprom::kRunProgressMin, eeprom::kRunProgressMax);
    m_progress.SetPos(0);
    // Only a path chosen with Browse counts; text typed into the path edit is never used.
    if (m_scriptPath.empty()) {
        host().messageBox("Please enter file name!");
        return;
    }
    eeprom::ScriptProgrammer(bus(), host(), m_progress, eeprom_, camAddr(), m_lastError)
        .run(m_scriptPath);
    m_progress.SetPos(0);
    m_lastError = 0;
}

void CVorlixDlg::OnSave() {
    // The script's length is known before anything is sent: a snapshot that does not fit in
    // front of the end of the bank is refused, so nothing in or before the area is lost.
    eeprom::SettingsInput in;
    in.autoWhiteBalance = m_awbCheck != 0;
    in.overlaysEnabled = isChecked(IDC_OVERLAY_ENABLE) != 0;
    in.manualExposure = m_manualExpCheck != 0;
    const std::string problem = eeprom::settingsFitProblem(
        m_eepromOffset, eeprom::settingsScript(in).size() * eeprom::kRecordBytes);
    if (!problem.empty()) {
        host().messageBox(problem);
        return;
    }

    m_progress.SetStep(1);
    m_progress.SetPos(0);
    I2cLink link(bus());
    const std::uint8_t a = camAddr();
    eeprom::eraseSettingsArea(link, a, m_eepromOffset, [this] { m_progress.StepIt(); });
    link.pause(eeprom::kSettlePauseMs);

    in.projection = readRegister(link, a, kRegProjection);
    in.companion = readRegister(link, a, kRegProjectionCompanion);
    in.whiteBalance = m_p2wRegs;
    m_overlayEnable = isChecked(IDC_OVERLAY_ENABLE);
    if (m_overlayEnable) {
        m_overlay1 = isChecked(IDC_OVERLAY1);
        m_overlay2 = isChecked(IDC_OVERLAY2);
        m_overlay3 = isChecked(IDC_OVERLAY3);
        m_overlay4 = isChecked(IDC_OVERLAY4);
        in.overlayShown = {m_overlay1 != 0, m_overlay2 != 0, m_overlay3 != 0, m_overlay4 != 0};
    }
    in.sharpReg = m_sharpReg;
    in.shutter = m_shutter;
    in.aexRef = m_aexRef;

    int offset = m_eepromOffset;
    for (const eeprom::SettingsRecord& record : eeprom::settingsScript(in)) {
        for (std::uint8_t byte : eeprom::recordBytes(record)) {
            link.camWrite8(a, eeprom::kSettingsBank, static_cast<std::uint8_t>(offset++), byte);
            link.pause(eeprom::kEepromWritePauseMs);
            if (record.advancesProgress) m_progress.StepIt();
        }
    }
    m_progress.SetPos(0);
}

void CVorlixDlg::OnEraseEeprom() {
    // Every second press erases; the press before it warns. The count never starts over.
    const bool armed = eeprom_.erasePresses % 2 != 0;
    ++eeprom_.erasePresses;
    if (!armed) {
        host().messageBox(
            "This will erase part of camera EEPROM. If this is ok please press again erase");
        return;
    }
    I2cLink link(bus());
    eeprom::eraseSettingsArea(link, camAddr(), m_eepromOffset, nullptr);
    // The camera forgets its stored address and answers at the default one after power-up.
    link.camWrite8(camAddr(), kAddressBank, kAddressOffset, kNoStoredAddress);
    m_camAddr = kCameraDefaultAddress;
    showCameraAddress();
    link.pause(eeprom::kEepromWritePauseMs);
}

}  // namespace vorlix::panel
