// Start-up and "Connect": find the camera and read its state back into every control.
#include "camera/readback.h"

#include "camera/image_settings.h"
#include "camera/trim.h"
#include "io/hex.h"
#include "panel/borrowed_bar.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

using io::formatHex;
using io::parseHex;

void CVorlixDlg::OnConnect() {
    readBackCamera();
}

void CVorlixDlg::initPanel() {
    m_shutterBar.SetScrollRange(0, kShutterMax / kShutterPerSliderStep, true);
    m_aexBar.SetScrollRange(0, kAexMax, true);
    m_sharpBar.SetScrollRange(0, static_cast<int>(kGainMax), true);
    checkButton(IDC_TARGET_SENSOR, 1);
    m_fieldsSet = 0;
    m_target = kSensorWrite;
    m_sensorTarget = 1;
    setHighByteEditsEnabled(true);
    m_eepromOffset = 0;
    readBackCamera();
}

// The read-back stops at the first failed transfer (its box is the only one): values that
// were never read must not reach a control or a member that a later handler writes back
// into the camera. The panel is then left as after a search that found no camera.
void CVorlixDlg::readBackCamera() {
    frame::CWaitCursor wait(host());
    // The search is the first step of the bar, each read one more.
    BorrowedBar bar(m_progress, model(), 1 + camera::kReadBackMostReads);
    m_cameraRead = false;
    m_trimRead = false;
    // An address given at start is taken as it is, one the search could never find too: that
    // is what it is given for.
    if (givenAddress_) {
        answersUntilRepower_.reset();
        cameraFound_ = true;
        m_camAddr = *givenAddress_;
        showCameraAddress();
    } else {
        OnSearchAddress();
        if (!namesCamera(m_camAddr)) {
            showNoCamera();
            return;
        }
    }
    bar.show(1);

    enableGroup(kAddressStepPair, false);
    I2cLink link(bus());
    const camera::CameraReadBack r =
        camera::readBack(link, camAddr(), [&bar](std::size_t reads) { bar.show(1 + reads); }).value;

    // The controls follow the values in the order they were read, up to the first one that
    // could not be read.

    if (!r.projection) return showNoCamera();
    const std::uint16_t projection = *r.projection;
    checkButton(IDC_MIRROR, camera::mirrored(projection));
    checkButton(IDC_FLIP, camera::flipped(projection));
    // The EEPROM shadow starts from the camera's state, so a first Mirror click keeps the flip.
    m_projBits = camera::shadowOfProjection(m_projBits, projection);

    if (!r.tvMode) return showNoCamera();
    UpdateData(true);
    m_tvModeText = camera::tvModeText(*r.tvMode);
    UpdateData(false);

    if (!r.overlayFunction) return showNoCamera();
    const bool overlaysOn = camera::overlaysOn(*r.overlayFunction);
    checkButton(IDC_OVERLAY_ENABLE, overlaysOn);
    enableGroup(kOverlayBoxIds, overlaysOn);
    if (overlaysOn) {
        if (!r.overlays) return showNoCamera();
        for (int i = 0; i < 4; ++i)
            checkButton(kOverlayBoxIds[i], camera::overlayShown((*r.overlays)[i]));
    }

    if (!r.exposure) return showNoCamera();
    const bool manual = camera::manualExposure(r.exposure->mode);
    checkButton(IDC_MANUAL_EXPOSURE, manual);
    m_aexRef = r.exposure->aexRef;
    m_shutter = r.exposure->shutter;
    // The pair of the active mode is enabled too, so that a Connect that finds the other mode
    // than before never leaves both pairs greyed.
    showExposureMode(manual);
    if (!manual) {
        showAexOnSlider();
        showAexText();
        showShutterOnSlider();
        showShutterText();
    } else {
        showShutterOnSlider();
        showShutterText();
        showAexOnSlider();
        showAexText();
    }

    if (!r.whiteBalance) return showNoCamera();
    const bool automaticWhite = *r.whiteBalance == kWhiteBalanceAdapts;
    checkButton(IDC_AWB, automaticWhite);
    enableGroup(kPushToWhitePair, !automaticWhite);
    UpdateData(true);
    m_wbModeText = automaticWhite ? "AWB!" : "P2W = set";
    UpdateData(false);

    if (!r.sharpness) return showNoCamera();
    m_sharpReg = *r.sharpness;
    UpdateData(true);
    m_gainText = formatHex(static_cast<std::uint32_t>(gainOf(m_sharpReg)));
    UpdateData(false);
    showGainOnSlider();

    if (!r.trimX) return showNoCamera();
    m_trimX = static_cast<std::int16_t>(*r.trimX);
    if (m_trimX == kTrimNotActive) {
        setTrimGroupEnabled(false);
        UpdateData(true);
        m_trimYText = camera::kTrimNotActiveText;
        m_trimXText = camera::kTrimNotActiveText;
        UpdateData(false);
        m_cameraRead = true;
        return;
    }
    setTrimGroupEnabled(true);
    if (!r.trimY) return showNoCamera();
    m_trimY = static_cast<std::int16_t>(*r.trimY);
    showTrimText();

    // A block that failed part-way never replaces the last good one.
    if (!r.trimBlock) return showNoCamera();
    m_trimBlock = *r.trimBlock;
    m_trimRead = true;
    m_cameraRead = true;
}

void CVorlixDlg::showNoCamera() {
    cameraFound_ = false;
    m_camAddr = kNoCamera;
    showCameraAddress();
}

void CVorlixDlg::showAexText() {
    UpdateData(true);
    m_aexText = formatHex(static_cast<std::uint32_t>(m_aexRef));
    const std::uint32_t value = parseHex(m_aexText);
    UpdateData(false);
    // The edit keeps showing the value as read; the member is limited.
    m_aexRef =
        value < static_cast<std::uint32_t>(kAexMax) ? static_cast<std::int32_t>(value) : kAexMax;
    UpdateData(false);
}

void CVorlixDlg::showShutterText() {
    UpdateData(true);
    m_shutterText = formatHex(static_cast<std::uint32_t>(m_shutter));
    std::uint32_t value = parseHex(m_shutterText);
    if (value >= static_cast<std::uint32_t>(kShutterMax)) value = kShutterMax;
    m_shutterText = formatHex(value);
    UpdateData(false);
    m_shutter = static_cast<std::int32_t>(value);
    UpdateData(false);
}

void CVorlixDlg::showGainOnSlider() {
    const int gain = gainOf(m_sharpReg);
    // The edit may hold the person's own text; the slider must not disturb it.
    const std::string typed = m_gainText;
    UpdateData(true);
    m_sharpBar.SetScrollPos(gain, true);
    UpdateData(false);
    m_gainText = typed;
}

void CVorlixDlg::showTrimText() {
    m_trimX = camera::shownTrim(m_trimX);
    m_trimY = camera::shownTrim(m_trimY);
    UpdateData(true);
    m_trimXText = camera::trimXText(m_trimX);
    m_trimYText = camera::trimYText(m_trimY);
    UpdateData(false);
}

}  // namespace vorlix::panel
