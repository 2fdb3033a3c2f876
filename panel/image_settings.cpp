// The small image groups: "Image projection" (mirror and flip), "Sharpness" (gain 0..7) and
// "Overlay" (the overlay function and its four overlays). Every change goes to the camera's
// sensor at once; mirror also keeps the projection shadow bits in the configuration EEPROM.
#include "camera/image_settings.h"

#include <array>

#include "io/hex.h"
#include "panel/table_row.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

using io::formatHex;

namespace {

// The overlay boxes in the order the panel enables them, each with its overlay's number.
struct OverlayBox {
    int id;
    int CVorlixDlg::*member;
    std::uint16_t number;  // 0..3
};
constexpr std::array<OverlayBox, 4> kOverlayBoxes = {{
    {IDC_OVERLAY1, &CVorlixDlg::m_overlay1, 0},
    {IDC_OVERLAY2, &CVorlixDlg::m_overlay2, 1},
    {IDC_OVERLAY3, &CVorlixDlg::m_overlay3, 2},
    {IDC_OVERLAY4, &CVorlixDlg::m_overlay4, 3},
}};

}  // namespace

void CVorlixDlg::OnMirror() {
    m_mirrorCheck = isChecked(IDC_MIRROR);
    I2cLink link(bus());
    projectionChanged(IDC_MIRROR, m_mirrorCheck,
                      camera::changeProjection(link, camAddr(), camera::ProjectionBox::Mirror,
                                               m_mirrorCheck != 0, m_projBits, writeGate(link)));
}

void CVorlixDlg::OnFlip() {
    m_flipCheck = isChecked(IDC_FLIP);
    I2cLink link(bus());
    projectionChanged(IDC_FLIP, m_flipCheck,
                      camera::changeProjection(link, camAddr(), camera::ProjectionBox::Flip,
                                               m_flipCheck != 0, m_projBits));
}

// The box and the shadow follow what the camera's projection register holds: the change, once
// it took it, else what it showed before. A failed transfer has told its own box.
void CVorlixDlg::projectionChanged(int boxId, int& check,
                                   const camera::Result<camera::ProjectionChange>& change) {
    if (change.value.projectionWritten) {
        m_projBits = change.value.shadow;
        return;
    }
    check = check ? 0 : 1;
    checkButton(boxId, check);
    if (change.outcome == camera::Outcome::NoBackup) host().messageBox(change.words);
}

void CVorlixDlg::applyGainText() {
    const std::uint32_t gain = takeHexEdit(m_gainText, kGainMax, true);
    m_sharpReg = withGain(m_sharpReg, gain);
}

void CVorlixDlg::OnGainEditChange() {
    applyGainText();
    showGainOnSlider();
    I2cLink link(bus());
    camera::writeSharpness(link, camAddr(), m_sharpReg);
}

void CVorlixDlg::sharpnessScrollStep(I2cLink& link, unsigned code) {
    const int pos = scrollStep(m_sharpBar, code);
    // Unlike the exposure sliders, a code that moves nothing writes nothing.
    if (pos == -1) return;
    m_gainText = formatHex(static_cast<std::uint32_t>(pos));
    UpdateData(false);
    applyGainText();
    camera::writeSharpness(link, camAddr(), m_sharpReg);
}

void CVorlixDlg::OnOverlayEnable() {
    m_overlayEnable = isChecked(IDC_OVERLAY_ENABLE);
    const bool on = m_overlayEnable != 0;
    // The single overlays keep their ticks and registers; only the function switches.
    enableGroup(kOverlayBoxIds, on);
    I2cLink link(bus());
    camera::switchOverlays(link, camAddr(), on);
}

void CVorlixDlg::OnOverlayBox(int id) {
    const OverlayBox& box = rowOf(kOverlayBoxes, id, &OverlayBox::id);
    this->*box.member = isChecked(box.id);
    I2cLink link(bus());
    camera::showOverlay(link, camAddr(), box.number, this->*box.member != 0);
}

}  // namespace vorlix::panel
