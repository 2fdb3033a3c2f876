// The "Auto Exposure" group: automatic exposure with its AEX reference, or manual exposure
// with its shutter value; each value has a slider and a hex edit that follow each other.
// The horizontal-scroll handler here serves the sharpness slider as well.
#include "panel/hex_edit.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

// The shutter value the automatic exposure starts from.
constexpr std::uint16_t kAutomaticShutterStart = 0x013B;

// The AEX register carries the reference in its low byte only.
constexpr std::uint16_t kAexMask = 0x00FF;
constexpr std::uint16_t kShutterMask = 0xFFFF;

}  // namespace

void CVorlixDlg::OnManualExposure() {
    m_manualExpCheck = isChecked(IDC_MANUAL_EXPOSURE);
    I2cLink link(bus());
    const std::uint8_t a = camAddr();
    const bool manual = m_manualExpCheck != 0;

    if (manual) {
        writeRegister(link, a, kRegExposureMode, kExposureManual);
    } else {
        // The mode is written on both sides of the shutter start value.
        writeRegister(link, a, kRegExposureMode, kExposureAutomatic);
        writeRegister(link, a, kRegShutter, kAutomaticShutterStart);
        writeRegister(link, a, kRegExposureMode, kExposureAutomatic);
    }
    showExposureMode(manual);

    // The value of the mode now active is read afresh; the other keeps its last value.
    if (manual) {
        m_shutter = readRegister(link, a, kRegShutter);
        showShutterOnSlider();
        showShutterText();
    } else {
        m_aexRef = readRegister(link, a, kRegAexReference);
        showAexOnSlider();
        showAexText();
    }
}

void CVorlixDlg::OnShutterEditChange() {
    // Every keystroke goes to the camera; the edit shows the limited value at once.
    m_shutter = static_cast<std::int32_t>(
        takeHexEdit(m_shutterText, static_cast<std::uint32_t>(kShutterMax), true));
    showShutterOnSlider();
    I2cLink link(bus());
    writeRegister(link, camAddr(), kRegShutter, static_cast<std::uint16_t>(m_shutter));
}

void CVorlixDlg::OnAexEditChange() {
    // The edit keeps the text as typed; only the member and the slider are limited.
    m_aexRef = static_cast<std::int32_t>(
        takeHexEdit(m_aexText, static_cast<std::uint32_t>(kAexMax), false));
    showAexOnSlider();
    I2cLink link(bus());
    writeRegister(link, camAddr(), kRegAexReference,
                  static_cast<std::uint16_t>(m_aexRef & kAexMask));
}

void CVorlixDlg::OnHScroll(const frame::MessageParams& params) {
    frame::CWaitCursor wait(host());
    I2cLink link(bus());
    if (params.scrollBar == IDC_AEX_BAR)
        exposureScrollStep(link, m_aexBar, params.code, m_aexRef, m_aexText, 1, kRegAexReference,
                           kAexMask);
    if (params.scrollBar == IDC_SHUTTER_BAR)
        exposureScrollStep(link, m_shutterBar, params.code, m_shutter, m_shutterText,
                           kShutterPerSliderStep, kRegShutter, kShutterMask);
    if (params.scrollBar == IDC_SHARP_BAR) sharpnessScrollStep(link, params.code);
}

void CVorlixDlg::exposureScrollStep(I2cLink& link, frame::CScrollBar& bar, unsigned code,
                                    std::int32_t& value, std::string& text, int scale,
                                    std::uint16_t reg, std::uint16_t mask) {
    const int pos = scrollStep(bar, code);
    if (pos != -1) {
        value = pos * scale;
        text = formatHex(static_cast<std::uint32_t>(value));
        UpdateData(false);
    }
    // The end-of-scroll that closes every slider action repeats the current value.
    writeRegister(link, camAddr(), reg, static_cast<std::uint16_t>(value & mask));
}

}  // namespace vorlix::panel
