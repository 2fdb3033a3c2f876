// The "Auto Exposure" group: automatic exposure with its AEX reference, or manual exposure
// with its shutter value; each value has a slider and a hex edit that follow each other.
// The horizontal-scroll handler here serves the sharpness slider as well.
#include "camera/exposure.h"

#include "io/hex.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

using io::formatHex;

void CVorlixDlg::OnManualExposure() {
    m_manualExpCheck = isChecked(IDC_MANUAL_EXPOSURE);
    const bool manual = m_manualExpCheck != 0;
    I2cLink link(bus());
    const std::uint16_t fresh = camera::switchExposure(link, camAddr(), manual);
    showExposureMode(manual);

    // The value of the mode now active is read afresh; the other keeps its last value.
    if (manual) {
        m_shutter = fresh;
        showShutterOnSlider();
        showShutterText();
    } else {
        m_aexRef = fresh;
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
    camera::writeShutter(link, camAddr(), m_shutter);
}

void CVorlixDlg::OnAexEditChange() {
    // The edit keeps the text as typed; only the member and the slider are limited.
    m_aexRef = static_cast<std::int32_t>(
        takeHexEdit(m_aexText, static_cast<std::uint32_t>(kAexMax), false));
    showAexOnSlider();
    I2cLink link(bus());
    camera::writeAexReference(link, camAddr(), m_aexRef);
}

void CVorlixDlg::OnHScroll(const frame::MessageParams& params) {
    frame::CWaitCursor wait(host());
    I2cLink link(bus());
    if (params.scrollBar == IDC_AEX_BAR)
        exposureScrollStep(link, m_aexBar, params.code, m_aexRef, m_aexText, 1,
                           camera::writeAexReference);
    if (params.scrollBar == IDC_SHUTTER_BAR)
        exposureScrollStep(link, m_shutterBar, params.code, m_shutter, m_shutterText,
                           kShutterPerSliderStep, camera::writeShutter);
    if (params.scrollBar == IDC_SHARP_BAR) sharpnessScrollStep(link, params.code);
}

void CVorlixDlg::exposureScrollStep(I2cLink& link, frame::CScrollBar& bar, unsigned code,
                                    std::int32_t& value, std::string& text, int scale,
                                    ValueWrite write) {
    const int pos = scrollStep(bar, code);
    if (pos != -1) {
        value = pos * scale;
        text = formatHex(static_cast<std::uint32_t>(value));
        UpdateData(false);
    }
    // The end-of-scroll that closes every slider action repeats the current value.
    write(link, camAddr(), value);
}

}  // namespace vorlix::panel
