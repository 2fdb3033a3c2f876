// The small image groups: "Image projection" (mirror and flip), "Sharpness" (gain 0..7) and
// "Overlay" (the overlay function and its four overlays). Every change goes to the camera's
// sensor at once; mirror also keeps the projection shadow bits in the configuration EEPROM.
#include <array>

#include "panel/hex_edit.h"
#include "panel/table_row.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

// Bit 8 of the projection register is written as 1 by every change but ticking mirror.
constexpr std::uint16_t kProjectionBit8 = 0x0100;
// Mirror (bit 0) and flip (bit 1): the companion register follows them, keeping its others.
constexpr std::uint16_t kProjectionBits = 0x0003;

constexpr std::int32_t kSharpnessOtherBits = 0xC7FF;  // all but the gain bits 11..13

constexpr std::uint16_t kOverlayFunctionOn = 0x8000;

// The overlay boxes in the order the panel enables them; each register carries its
// overlay's number in the low byte and the on bit in bit 15.
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

// How one projection box changes the projection register and the shadow bits.
struct CVorlixDlg::ProjectionChange {
    int box;
    int CVorlixDlg::*member;
    std::uint16_t tickedSet;     // ticked: these bits are set
    std::uint16_t untickedKeep;  // unticked: only these bits are kept, then bit 8 is set
    std::uint32_t shadowBit;     // the box's bit in m_projBits
    bool storesShadow;           // the shadow goes to the EEPROM before the registers
};

void CVorlixDlg::OnMirror() {
    static constexpr ProjectionChange kMirror{
        IDC_MIRROR, &CVorlixDlg::m_mirrorCheck, 0x0001, 0xFEFE, kMirrorShadow, true};
    changeProjection(kMirror);
}

void CVorlixDlg::OnFlip() {
    // Flip leaves the EEPROM alone: its shadow bit gets there with the next mirror change.
    static constexpr ProjectionChange kFlip{
        IDC_FLIP, &CVorlixDlg::m_flipCheck, 0x0102, 0xFEFD, kFlipShadow, false};
    changeProjection(kFlip);
}

void CVorlixDlg::changeProjection(const ProjectionChange& change) {
    const int ticked = isChecked(change.box);
    this->*change.member = ticked;

    I2cLink link(bus());
    const std::uint8_t a = camAddr();
    // A failed read has already been told in its box; the value the link returned is changed
    // and written back like a good one, as the camera's tools always have.
    std::uint16_t projection = readRegister(link, a, kRegProjection);
    std::uint16_t companion = readRegister(link, a, kRegProjectionCompanion) & ~kProjectionBits;

    if (ticked) {
        projection |= change.tickedSet;
        m_projBits |= change.shadowBit;
    } else {
        projection = (projection & change.untickedKeep) | kProjectionBit8;
        // Only the low 16 bits are kept; the EEPROM never holds more.
        m_projBits &= 0xFFFF & ~change.shadowBit;
    }
    companion |= projection & kProjectionBits;

    if (change.storesShadow) {
        link.camWrite8(a, kShadowBank, kShadowHighOffset,
                       static_cast<std::uint8_t>((m_projBits >> 8) & 0xFF));
        link.camWrite8(a, kShadowBank, kShadowLowOffset,
                       static_cast<std::uint8_t>(m_projBits & 0xFF));
    }
    writeRegister(link, a, kRegProjection, projection);
    writeRegister(link, a, kRegProjectionCompanion, companion);
}

void CVorlixDlg::applyGainText() {
    const std::uint32_t gain = takeHexEdit(m_gainText, kGainMax, true);
    m_sharpReg = static_cast<std::int32_t>(gain << kGainShift) | (m_sharpReg & kSharpnessOtherBits);
}

void CVorlixDlg::OnGainEditChange() {
    applyGainText();
    showGainOnSlider();
    I2cLink link(bus());
    writeRegister(link, camAddr(), kRegSharpness, static_cast<std::uint16_t>(m_sharpReg));
}

void CVorlixDlg::sharpnessScrollStep(I2cLink& link, unsigned code) {
    const int pos = scrollStep(m_sharpBar, code);
    // Unlike the exposure sliders, a code that moves nothing writes nothing.
    if (pos == -1) return;
    m_gainText = formatHex(static_cast<std::uint32_t>(pos));
    UpdateData(false);
    applyGainText();
    writeRegister(link, camAddr(), kRegSharpness, static_cast<std::uint16_t>(m_sharpReg));
}

void CVorlixDlg::OnOverlayEnable() {
    m_overlayEnable = isChecked(IDC_OVERLAY_ENABLE);
    const bool on = m_overlayEnable != 0;
    // The single overlays keep their ticks and registers; only the function switches.
    enableGroup(kOverlayBoxIds, on);
    I2cLink link(bus());
    writeRegister(link, camAddr(), kRegOverlayFunction, on ? kOverlayFunctionOn : 0);
}

void CVorlixDlg::OnOverlayBox(int id) {
    const OverlayBox& box = rowOf(kOverlayBoxes, id, &OverlayBox::id);
    this->*box.member = isChecked(box.id);
    I2cLink link(bus());
    writeRegister(link, camAddr(), overlayRegister(box.number),
                  static_cast<std::uint16_t>((this->*box.member ? kOverlayShown : 0) | box.number));
}

}  // namespace vorlix::panel
