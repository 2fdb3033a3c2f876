// The main dialog's frame: construction, data exchange, the message map, initialisation,
// the window messages and the routines that every handler family shares.
#include "panel/vorlix_dlg.h"

#include <algorithm>

#include "io/hex.h"
#include "panel/about_dlg.h"
#include "res/resources.h"

namespace vorlix::panel {

using frame::Message;
using io::formatHex;
using io::parseHex;

CVorlixDlg::CVorlixDlg(frame::Host& host, Adapter& adapter, Pacer& pacer)
    : CDialog(res::mainTemplate(), host),
      m_hIcon(res::IDR_MAINFRAME),
      notifier_(host),
      bus_{adapter, pacer, notifier_} {
    buildMessageMap();
}

void CVorlixDlg::DoDataExchange(frame::DataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.control(IDC_SHARP_BAR, m_sharpBar);
    dx.control(IDC_PROGRESS, m_progress);
    dx.control(IDC_AEX_BAR, m_aexBar);
    dx.control(IDC_SHUTTER_BAR, m_shutterBar);
    dx.text(IDC_REG_LO, m_regLoText);
    dx.text(IDC_REG_HI, m_regHiText);
    dx.text(IDC_DATA_LO, m_dataLoText);
    dx.text(IDC_DATA_HI, m_dataHiText);
    dx.text(IDC_AEX_EDIT, m_aexText);
    dx.check(IDC_READ, m_readCheck);
    dx.check(IDC_AWB, m_awbCheck);
    dx.check(IDC_MANUAL_EXPOSURE, m_manualExpCheck);
    dx.check(IDC_MIRROR, m_mirrorCheck);
    dx.check(IDC_FLIP, m_flipCheck);
    dx.text(IDC_SHUTTER_EDIT, m_shutterText);
    dx.text(IDC_EEPROM_OFFSET, m_offsetText);
    dx.text(IDC_WB_MODE, m_wbModeText);
    dx.text(IDC_TV_MODE, m_tvModeText);
    dx.check(IDC_OVERLAY_ENABLE, m_overlayEnable);
    dx.check(IDC_OVERLAY1, m_overlay1);
    dx.check(IDC_OVERLAY2, m_overlay2);
    dx.check(IDC_OVERLAY3, m_overlay3);
    dx.check(IDC_OVERLAY4, m_overlay4);
    dx.text(IDC_GAIN_EDIT, m_gainText);
    dx.text(IDC_TRIM_Y, m_trimYText);
    dx.text(IDC_TRIM_X, m_trimXText);
    dx.text(IDC_ADDRESS, m_addrText);
}

// The message map, in the order of the map.
void CVorlixDlg::buildMessageMap() {
    onMessage(Message::SysCommand, &CVorlixDlg::OnSysCommand);
    mapWithArg(Message::EnChange, IDC_REG_HI, &CVorlixDlg::OnDirectEditChange, IDC_REG_HI);
    for (int radio : {IDC_TARGET_SENSOR, IDC_TARGET_EEPROM0, IDC_TARGET_EEPROM1, IDC_TARGET_EEPROM2,
                      IDC_TARGET_EEPROM3})
        mapWithArg(Message::BnClicked, radio, &CVorlixDlg::OnTargetSelected, radio);
    for (int edit : {IDC_REG_LO, IDC_DATA_HI, IDC_DATA_LO})
        mapWithArg(Message::EnChange, edit, &CVorlixDlg::OnDirectEditChange, edit);
    onClicked(IDC_SEND, &CVorlixDlg::OnSend);
    onClicked(IDC_READ, &CVorlixDlg::OnReadToggled);
    onClicked(IDC_MIRROR, &CVorlixDlg::OnMirror);
    onClicked(IDC_FLIP, &CVorlixDlg::OnFlip);
    onClicked(IDC_CONNECT, &CVorlixDlg::OnConnect);
    onMessage(Message::HScroll, &CVorlixDlg::OnHScroll);
    onClicked(IDC_MANUAL_EXPOSURE, &CVorlixDlg::OnManualExposure);
    onChange(IDC_SHUTTER_EDIT, &CVorlixDlg::OnShutterEditChange);
    onChange(IDC_AEX_EDIT, &CVorlixDlg::OnAexEditChange);
    onClicked(IDC_SAVE, &CVorlixDlg::OnSave);
    onChange(IDC_EEPROM_OFFSET, &CVorlixDlg::OnOffsetEditChange);
    onClicked(IDC_ERASE, &CVorlixDlg::OnEraseEeprom);
    onClicked(IDC_AWB, &CVorlixDlg::OnAutoWhiteBalance);
    onClicked(IDC_PUSH2WHITE, &CVorlixDlg::OnPush2White);
    onClicked(IDC_BROWSE, &CVorlixDlg::OnBrowse);
    onClicked(IDC_LOAD_EEPROM, &CVorlixDlg::OnLoadEepromFile);
    onClicked(IDC_OVERLAY_ENABLE, &CVorlixDlg::OnOverlayEnable);
    // The four overlay boxes share one handler.
    for (int box : kOverlayBoxIds)
        mapWithArg(Message::BnClicked, box, &CVorlixDlg::OnOverlayBox, box);
    mapWithArg(Message::BnClicked, IDC_ADDR_PLUS, &CVorlixDlg::OnAddressStep, +1);
    mapWithArg(Message::BnClicked, IDC_ADDR_MINUS, &CVorlixDlg::OnAddressStep, -1);
    onChange(IDC_GAIN_EDIT, &CVorlixDlg::OnGainEditChange);
    onClicked(IDC_TRIM_STORE, &CVorlixDlg::OnTrimStore);
    for (int button : {IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_UP, IDC_TRIM_DOWN})
        mapWithArg(Message::BnClicked, button, &CVorlixDlg::OnTrimStep, button);
    onClicked(IDC_SET_ADDRESS, &CVorlixDlg::OnSetNewAddress);
    onClicked(IDC_SEARCH_ADDRESS, &CVorlixDlg::OnSearchAddress);
    onChange(IDC_ADDRESS, &CVorlixDlg::OnAddressEditChange);
}

void CVorlixDlg::mapWithArg(Message message, int id, void (CVorlixDlg::*fn)(int), int arg) {
    messageMap_.push_back(
        {message, id, [this, fn, arg](const frame::MessageParams&) { (this->*fn)(arg); }});
}

bool CVorlixDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    frame::Host& h = host();
    if (h.hasSystemMenu()) {
        const std::string about = res::loadString(res::IDS_ABOUTBOX);
        if (!about.empty()) {
            h.appendMenuSeparator();
            h.appendMenuItem(SC_ABOUT, about);
        }
    }
    h.setIcon(true, m_hIcon);
    h.setIcon(false, m_hIcon);

    initPanel();
    return true;  // the focus goes to the first tab stop, OK
}

void CVorlixDlg::OnSysCommand(const frame::MessageParams& params) {
    // Identifiers 0x10..0x1F (in their low 16 bits) are ours: the About entry.
    if ((params.code & 0xFFF0) == SC_ABOUT) {
        CAboutDlg about(host());
        about.DoModal();
    } else {
        defaultSysCommand(params.code);
    }
}

int CVorlixDlg::scrollStep(frame::CScrollBar& bar, unsigned code) {
    frame::ScrollInfo info;
    bar.GetScrollInfo(info);
    const int page = static_cast<int>(info.page);
    int pos = info.pos;
    switch (code) {
        case frame::SB_LINELEFT:
            pos = std::max(info.min, pos - 1);
            break;
        case frame::SB_LINERIGHT:
            pos = std::min(info.max, pos + 1);
            break;
        case frame::SB_PAGELEFT:
            pos = std::max(info.min, pos - page);
            break;
        case frame::SB_PAGERIGHT:
            pos = std::min(info.max, pos + page);
            break;
        case frame::SB_THUMBPOSITION:
        case frame::SB_THUMBTRACK:
            pos = info.trackPos;
            break;
        case frame::SB_LEFT:
            pos = info.min;
            break;
        case frame::SB_RIGHT:
            pos = info.max;
            break;
        default:
            return -1;
    }
    info.pos = pos;
    bar.SetScrollInfo(info, true);
    return pos & 0xFF;
}

void CVorlixDlg::showAexOnSlider() {
    UpdateData(true);
    frame::ScrollInfo info;
    m_aexBar.GetScrollInfo(info);
    info.pos = m_aexRef & 0xFF;
    m_aexBar.SetScrollInfo(info, true);
    UpdateData(false);
}

void CVorlixDlg::showShutterOnSlider() {
    UpdateData(true);
    frame::ScrollInfo info;
    m_shutterBar.GetScrollInfo(info);
    // A value read beyond the slider's byte stands at the slider's end, not wrapped to its
    // start: 0x300 shows as 192 like 0x240.
    info.pos = std::clamp(m_shutter / kShutterPerSliderStep, 0, 0xFF);
    m_shutterBar.SetScrollInfo(info, true);
    UpdateData(false);
}

camera::WriteGate CVorlixDlg::writeGate(I2cLink& link) {
    if (!writeGuard_) return {};
    return [this, &link] { return writeGuard_(link, camAddr()); };
}

std::string CVorlixDlg::stillAnswersAt() const {
    return "the camera still answers at " +
           formatHex(answersUntilRepower_.value_or(camAddr())) + ".";
}

// "Set new I2C address" stores what the edit shows, so the member follows the edit.
void CVorlixDlg::showCameraAddress() {
    UpdateData(true);
    m_addrText = formatHex(static_cast<std::uint32_t>(m_camAddr));
    UpdateData(false);
    m_newAddr = static_cast<std::uint16_t>(m_camAddr & 0xFF);
}

void CVorlixDlg::setHighByteEditsEnabled(bool on) {
    for (int id : {IDC_REG_HI, IDC_DATA_HI}) enableControl(id, on);
}

void CVorlixDlg::setTrimButtonsEnabled(bool on) {
    for (int id : {IDC_TRIM_DOWN, IDC_TRIM_UP, IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_STORE})
        enableControl(id, on);
}

void CVorlixDlg::setTrimGroupEnabled(bool on) {
    for (int id : {IDC_TRIM_X, IDC_TRIM_Y, IDC_TRIM_GROUP, IDC_TRIM_UP, IDC_TRIM_DOWN,
                   IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_STORE})
        enableControl(id, on);
}

void CVorlixDlg::showExposureMode(bool manual) {
    enableGroup(kShutterPair, manual);
    enableGroup(kAexPair, !manual);
}

std::uint32_t CVorlixDlg::takeHexEdit(std::string& text, std::uint32_t max, bool showLimited) {
    UpdateData(true);
    const std::uint32_t value = std::min(parseHex(text), max);
    if (showLimited) text = formatHex(value);
    UpdateData(false);
    return value;
}

void CVorlixDlg::OnOffsetEditChange() {
    m_eepromOffset = static_cast<std::int16_t>(takeHexEdit(m_offsetText, 0xFF, true));
}

void CVorlixDlg::dumpMembers(frame::MemberWriter& out) const {
    auto numbers = [](const auto& values) {
        std::vector<std::int64_t> v(values.begin(), values.end());
        return v;
    };
    out.text("m_regLoText", m_regLoText);
    out.text("m_regHiText", m_regHiText);
    out.text("m_dataLoText", m_dataLoText);
    out.text("m_dataHiText", m_dataHiText);
    out.text("m_aexText", m_aexText);
    out.number("m_readCheck", m_readCheck);
    out.number("m_awbCheck", m_awbCheck);
    out.number("m_manualExpCheck", m_manualExpCheck);
    out.number("m_mirrorCheck", m_mirrorCheck);
    out.number("m_flipCheck", m_flipCheck);
    out.text("m_shutterText", m_shutterText);
    out.text("m_offsetText", m_offsetText);
    out.text("m_wbModeText", m_wbModeText);
    out.text("m_tvModeText", m_tvModeText);
    out.number("m_overlayEnable", m_overlayEnable);
    out.number("m_overlay1", m_overlay1);
    out.number("m_overlay2", m_overlay2);
    out.number("m_overlay3", m_overlay3);
    out.number("m_overlay4", m_overlay4);
    out.text("m_gainText", m_gainText);
    out.text("m_trimYText", m_trimYText);
    out.text("m_trimXText", m_trimXText);
    out.text("m_addrText", m_addrText);
    out.number("m_hIcon", m_hIcon);
    out.number("m_target", m_target);
    out.number("m_fieldsSet", m_fieldsSet);
    out.number("m_regHi", m_regHi);
    out.number("m_regLo", m_regLo);
    out.number("m_dataHi", m_dataHi);
    out.number("m_dataLo", m_dataLo);
    out.number("m_eepromOffset", m_eepromOffset);
    out.number("m_shutter", m_shutter);
    out.number("m_aexRef", m_aexRef);
    out.number("m_projBits", m_projBits);
    out.number("m_camAddr", m_camAddr);
    out.number("m_newAddr", m_newAddr);
    out.number("m_sensorTarget", m_sensorTarget);
    out.number("m_p2wActive", m_p2wActive);
    out.number("m_lastError", m_lastError);
    out.numbers("m_p2wRegs", numbers(m_p2wRegs));
    out.number("m_sharpReg", m_sharpReg);
    out.number("m_trimX", m_trimX);
    out.number("m_trimY", m_trimY);
    out.numbers("m_trimBlock", numbers(m_trimBlock));
    out.text("m_scriptPath", m_scriptPath);
    out.number("erasePresses", eeprom_.erasePresses);
}

}  // namespace vorlix::panel
