// The main dialog's frame: construction, data exchange, the message map, initialisation,
// the window messages and the routines that every handler family shares.
#include "panel/vorlix_dlg.h"

#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>

#include "camera/eeprom_image.h"
#include "io/hex.h"
#include "panel/about_dlg.h"
#include "panel/borrowed_bar.h"
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

// The one list of the members that the data exchange binds or the state dump shows, in the
// order of both: the control wrappers (bound, never shown), the texts and checks the controls
// hold, then the members no control holds.
template <typename Self, typename Visitor>
void CVorlixDlg::visitMembers(Self& d, Visitor& visit) {
    visit.control(IDC_SHARP_BAR, d.m_sharpBar);
    visit.control(IDC_PROGRESS, d.m_progress);
    visit.control(IDC_AEX_BAR, d.m_aexBar);
    visit.control(IDC_SHUTTER_BAR, d.m_shutterBar);
    visit.bound(IDC_REG_LO, "m_regLoText", d.m_regLoText);
    visit.bound(IDC_REG_HI, "m_regHiText", d.m_regHiText);
    visit.bound(IDC_DATA_LO, "m_dataLoText", d.m_dataLoText);
    visit.bound(IDC_DATA_HI, "m_dataHiText", d.m_dataHiText);
    visit.bound(IDC_AEX_EDIT, "m_aexText", d.m_aexText);
    visit.bound(IDC_READ, "m_readCheck", d.m_readCheck);
    visit.bound(IDC_AWB, "m_awbCheck", d.m_awbCheck);
    visit.bound(IDC_MANUAL_EXPOSURE, "m_manualExpCheck", d.m_manualExpCheck);
    visit.bound(IDC_MIRROR, "m_mirrorCheck", d.m_mirrorCheck);
    visit.bound(IDC_FLIP, "m_flipCheck", d.m_flipCheck);
    visit.bound(IDC_SHUTTER_EDIT, "m_shutterText", d.m_shutterText);
    visit.bound(IDC_EEPROM_OFFSET, "m_offsetText", d.m_offsetText);
    visit.bound(IDC_WB_MODE, "m_wbModeText", d.m_wbModeText);
    visit.bound(IDC_TV_MODE, "m_tvModeText", d.m_tvModeText);
    visit.bound(IDC_OVERLAY_ENABLE, "m_overlayEnable", d.m_overlayEnable);
    visit.bound(IDC_OVERLAY1, "m_overlay1", d.m_overlay1);
    visit.bound(IDC_OVERLAY2, "m_overlay2", d.m_overlay2);
    visit.bound(IDC_OVERLAY3, "m_overlay3", d.m_overlay3);
    visit.bound(IDC_OVERLAY4, "m_overlay4", d.m_overlay4);
    visit.bound(IDC_GAIN_EDIT, "m_gainText", d.m_gainText);
    visit.bound(IDC_TRIM_Y, "m_trimYText", d.m_trimYText);
    visit.bound(IDC_TRIM_X, "m_trimXText", d.m_trimXText);
    visit.bound(IDC_ADDRESS, "m_addrText", d.m_addrText);
    visit.unbound("m_hIcon", d.m_hIcon);
    visit.unbound("m_target", d.m_target);
    visit.unbound("m_fieldsSet", d.m_fieldsSet);
    visit.unbound("m_regHi", d.m_regHi);
    visit.unbound("m_regLo", d.m_regLo);
    visit.unbound("m_dataHi", d.m_dataHi);
    visit.unbound("m_dataLo", d.m_dataLo);
    visit.unbound("m_eepromOffset", d.m_eepromOffset);
    visit.unbound("m_shutter", d.m_shutter);
    visit.unbound("m_aexRef", d.m_aexRef);
    visit.unbound("m_projBits", d.m_projBits);
    visit.unbound("m_camAddr", d.m_camAddr);
    visit.unbound("m_newAddr", d.m_newAddr);
    visit.unbound("m_sensorTarget", d.m_sensorTarget);
    visit.unbound("m_p2wActive", d.m_p2wActive);
    visit.unbound("m_lastError", d.m_lastError);
    visit.unbound("m_p2wRegs", d.m_p2wRegs);
    visit.unbound("m_sharpReg", d.m_sharpReg);
    visit.unbound("m_trimX", d.m_trimX);
    visit.unbound("m_trimY", d.m_trimY);
    visit.unbound("m_trimBlock", d.m_trimBlock);
    visit.unbound("m_scriptPath", d.m_scriptPath);
    visit.unbound("erasePresses", d.erasePresses_);
}

namespace {

// The notifications whose handlers send nothing to the camera's address, so they work while no
// camera was found: the window's own commands, the direct-access target and its edits (SEND
// itself needs the camera), the offset, path and address edits, Browse, Connect and the search
// (which look for a camera), and the trim steps, which talk to the sensor's own address and
// need a read-back of their own. Every other handler refuses without a camera.
constexpr std::pair<Message, int> kWithoutCamera[] = {
    {Message::SysCommand, 0},
    {Message::EnChange, IDC_REG_HI},
    {Message::EnChange, IDC_REG_LO},
    {Message::EnChange, IDC_DATA_HI},
    {Message::EnChange, IDC_DATA_LO},
    {Message::BnClicked, IDC_TARGET_SENSOR},
    {Message::BnClicked, IDC_TARGET_EEPROM0},
    {Message::BnClicked, IDC_TARGET_EEPROM1},
    {Message::BnClicked, IDC_TARGET_EEPROM2},
    {Message::BnClicked, IDC_TARGET_EEPROM3},
    {Message::BnClicked, IDC_READ},
    {Message::BnClicked, IDC_CONNECT},
    {Message::EnChange, IDC_EEPROM_OFFSET},
    {Message::BnClicked, IDC_BROWSE},
    {Message::EnChange, IDC_SCRIPT_PATH},
    {Message::BnClicked, IDC_TRIM_LEFT},
    {Message::BnClicked, IDC_TRIM_RIGHT},
    {Message::BnClicked, IDC_TRIM_UP},
    {Message::BnClicked, IDC_TRIM_DOWN},
    {Message::BnClicked, IDC_SEARCH_ADDRESS},
    {Message::EnChange, IDC_ADDRESS},
};

constexpr char kNoCameraText[] = "No camera is connected: press Connect first. Nothing was sent.";

// The dialog while a write guard reads the camera before the first write: the wait cursor, the
// bar lent to the read and the line that says what is read, from the read's first transfer
// until the guard answers.
class GuardRead {
public:
    explicit GuardRead(CVorlixDlg& dlg)
        : dlg_(dlg), wait_(dlg.host()), bar_(dlg.m_progress, dlg.model(), eeprom::kEepromSize) {
        dlg_.tellOutcome(camera::kReadingForBackupText);
    }
    ~GuardRead() { dlg_.tellOutcome(""); }
    GuardRead(const GuardRead&) = delete;
    GuardRead& operator=(const GuardRead&) = delete;

    void show(std::size_t bytesRead) { bar_.show(bytesRead); }

private:
    CVorlixDlg& dlg_;
    frame::CWaitCursor wait_;
    BorrowedBar bar_;
};

// The data exchange's side of the list: each control with its member; the rest stays out.
struct ExchangeVisitor {
    frame::DataExchange& dx;

    void control(int id, frame::CWndRef& wrapper) { dx.control(id, wrapper); }
    void bound(int id, const char*, std::string& text) { dx.text(id, text); }
    void bound(int id, const char*, int& check) { dx.check(id, check); }
    template <typename T>
    void unbound(const char*, const T&) {}
};

// The state dump's side: every member by its name; the wrappers hold no value of their own.
struct DumpVisitor {
    frame::MemberWriter& out;

    void control(int, const frame::CWndRef&) {}
    template <typename T>
    void bound(int, const char* name, const T& value) {
        unbound(name, value);
    }
    void unbound(const char* name, const std::string& text) { out.text(name, text); }
    template <typename T>
    requires std::is_integral_v<T>
    void unbound(const char* name, T value) { out.number(name, value); }
    template <typename T, std::size_t N>
    void unbound(const char* name, const std::array<T, N>& values) {
        out.numbers(name, std::vector<std::int64_t>(values.begin(), values.end()));
    }
};

}  // namespace

void CVorlixDlg::DoDataExchange(frame::DataExchange& dx) {
    CDialog::DoDataExchange(dx);
    ExchangeVisitor visit{dx};
    visitMembers(*this, visit);
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
    onChange(IDC_SCRIPT_PATH, &CVorlixDlg::OnScriptPathChange);

    // Nothing goes to the address that stands for "no camera".
    for (frame::MessageMapEntry& entry : messageMap_) {
        if (std::ranges::find(kWithoutCamera, std::pair{entry.message, entry.id}) !=
            std::end(kWithoutCamera))
            continue;
        entry.handler = [this, id = entry.id,
                         handler = std::move(entry.handler)](const frame::MessageParams& params) {
            if (cameraFound_)
                handler(params);
            else
                refuseWithoutCamera(id);
        };
    }
}

void CVorlixDlg::refuseWithoutCamera(int id) {
    if (model().has(id) && model().control(id).kind == frame::ControlKind::Check)
        checkButton(id, isChecked(id) ? 0 : 1);
    host().messageBox(kNoCameraText);
}

void CVorlixDlg::mapWithArg(Message message, int id, void (CVorlixDlg::*fn)(int), int arg) {
    messageMap_.push_back(
        {message, id, [this, fn, arg](const frame::MessageParams&) { (this->*fn)(arg); }});
}

bool CVorlixDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    frame::Host& h = host();
    const std::string about = res::loadString(res::IDS_ABOUTBOX);
    if (!about.empty()) {
        h.appendMenuSeparator();
        h.appendMenuItem(SC_ABOUT, about);
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
    return [this, &link] {
        camera::GateAnswer answer;
        if (writeGuard_) {
            // Shown only once the guard reads: a guard that reads nothing keeps a quick handler
            // quick.
            std::optional<GuardRead> reading;
            answer = writeGuard_(link, camAddr(), [this, &reading](std::size_t bytesRead) {
                if (!reading) reading.emplace(*this);
                reading->show(bytesRead);
            });
        }
        if (answer) {
            eraseArmed_ = false;
            tellOutcome("");
        }
        return answer;
    };
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

// The typed text stays as it is, so that Save and Erase EEpr can name a text that is no offset
// rather than act on what a lenient reading made of it; the member takes the limited value.
// Erase EEpr's warning named the offset before: it no longer stands.
void CVorlixDlg::OnOffsetEditChange() {
    m_eepromOffset = static_cast<std::int16_t>(takeHexEdit(m_offsetText, 0xFF, false));
    eraseArmed_ = false;
}

void CVorlixDlg::tellOutcome(std::string text) {
    if (text == outcome_) return;
    outcome_ = std::move(text);
    host().outcome(outcome_);
}

void CVorlixDlg::dumpMembers(frame::MemberWriter& out) const {
    DumpVisitor visit{out};
    visitMembers(*this, visit);
}

}  // namespace vorlix::panel
