#pragma once
// CVorlixDlg: the main dialog. It owns all state of a run: the members bound to controls, the
// camera mirrors, the captured white-balance registers, the trim block. Every handler builds
// its own I2cLink for one action; every bus pause goes through the run's pacer.
//
// The handlers live in one source per group box: address.cpp, readback.cpp, exposure.cpp,
// white_balance.cpp, image_settings.cpp (mirror, flip, sharpness, overlays), trim.cpp,
// direct_access.cpp, eeprom_handlers.cpp; the shared routines in vorlix_dlg.cpp.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "camera/camera_map.h"
#include "camera/image_settings.h"
#include "camera/result.h"
#include "camera/script_programming.h"
#include "camera/write_gate.h"
#include "eeprom/eeprom_tables.h"
#include "eeprom/script_file.h"
#include "frame/dialog.h"
#include "link/i2c_link.h"
#include "link/notifier.h"
#include "panel/control_ids.h"
#include "panel/host_notifier.h"

namespace vorlix::panel {

// The progress bar's range while a script file is programmed and verified.
inline constexpr short kRunProgressMin = 1;
inline constexpr short kRunProgressMax = 242;
// One shutter slider step is this many shutter units: position 192 is kShutterMax.
inline constexpr int kShutterPerSliderStep = 3;
inline constexpr unsigned SC_ABOUT = 0x10;  // the appended system menu entry

// The fixed control groups that are enabled or greyed as a whole, each in this order.
inline constexpr std::array<int, 2> kShutterPair = {IDC_SHUTTER_BAR, IDC_SHUTTER_EDIT};
inline constexpr std::array<int, 2> kAexPair = {IDC_AEX_BAR, IDC_AEX_EDIT};
inline constexpr std::array<int, 2> kPushToWhitePair = {IDC_PUSH2WHITE, IDC_WB_MODE};
inline constexpr std::array<int, 2> kAddressStepPair = {IDC_ADDR_PLUS, IDC_ADDR_MINUS};
// "overlay 1" to "overlay 4"; their ids do not follow their numbers.
inline constexpr std::array<int, 4> kOverlayBoxIds = {IDC_OVERLAY1, IDC_OVERLAY2, IDC_OVERLAY3,
                                                      IDC_OVERLAY4};

// How a write guard that reads the camera before the write (the run's backup, once a run) shows
// that read: called with 0 right before its first transfer, then after each byte with the count
// read so far, up to eeprom::kEepromSize. Meanwhile the dialog shows the wait cursor, the
// progress bar and a line that says what is read. A guard that reads nothing never calls it,
// so a quick handler stays quick (a second click on Mirror is never taken for input made
// during long work).
using GuardProgress = std::function<void(std::size_t bytesRead)>;

// Asked once by every handler that writes the EEPROM (Ld EEpr file, Save, Erase EEpr, Set, a
// direct EEPROM SEND, Mirror's shadow, trim STORE), after the handler's own checks and
// immediately before its first EEPROM write, with the handler's link, the camera address and
// where to show a read it makes. Its answer is the run's backup (camera/write_gate.h); a
// refusal's words are shown in one box and the handler writes nothing.
using EepromWriteGuard = std::function<camera::GateAnswer(I2cLink&, std::uint8_t camAddr,
                                                          const GuardProgress& progress)>;

class CVorlixDlg : public frame::CDialog {
public:
    CVorlixDlg(frame::Host& host, Adapter& adapter, Pacer& pacer);

    // Without a guard (the default) every handler writes as soon as its own checks pass.
    void setEepromWriteGuard(EepromWriteGuard guard) { writeGuard_ = std::move(guard); }
    // The camera at this address, without the search, for every read-back (start-up and
    // Connect); "Search I2C address" still searches, and from then on the read-back does too.
    void setCameraAddress(std::uint8_t address) { givenAddress_ = address; }

    bool OnInitDialog() override;
    void dumpMembers(frame::MemberWriter& out) const override;

    // --- Members bound by the data exchange (their controls in visitMembers). ------------
    frame::CScrollBar m_sharpBar;
    frame::CProgressCtrl m_progress;
    frame::CScrollBar m_aexBar;
    frame::CScrollBar m_shutterBar;
    std::string m_regLoText;
    std::string m_regHiText;
    std::string m_dataLoText;
    std::string m_dataHiText;
    std::string m_aexText;
    int m_readCheck = 0;
    int m_awbCheck = 0;
    int m_manualExpCheck = 0;
    int m_mirrorCheck = 0;
    int m_flipCheck = 0;
    std::string m_shutterText;
    std::string m_offsetText;
    std::string m_wbModeText;
    std::string m_tvModeText;
    int m_overlayEnable = 0;
    int m_overlay1 = 0;
    int m_overlay2 = 0;
    int m_overlay3 = 0;
    int m_overlay4 = 0;
    std::string m_gainText;
    std::string m_trimYText;
    std::string m_trimXText;
    std::string m_addrText;

    // --- Other members. ------------------------------------------------------------------
    int m_hIcon;                    // the application icon (resource id stands for the handle)
    std::uint16_t m_target = 0;     // direct-access target: 0xBA/0xBB or an EEPROM bank form
    std::uint16_t m_fieldsSet = 0;  // direct-access edits filled since start (1, 2, 4, 8)
    std::uint16_t m_regHi = 0;
    std::uint16_t m_regLo = 0;
    std::uint16_t m_dataHi = 0;
    std::uint16_t m_dataLo = 0;
    std::int16_t m_eepromOffset = 0;  // start of the settings area in bank 0xA0
    std::int32_t m_shutter = 0;
    std::int32_t m_aexRef = 0;
    std::uint32_t m_projBits = 0;  // mirror (bit 1) and flip (bit 2) shadow for the EEPROM
    std::int16_t m_camAddr = kCameraDefaultAddress;
    // What "Set new I2C address" stores before anything was typed: the default address, the
    // one value that cannot lose the camera.
    std::uint16_t m_newAddr = kCameraDefaultAddress;
    std::uint8_t m_sensorTarget = 1;
    std::uint8_t m_p2wActive = 0;
    std::uint8_t m_lastError = 0;
    std::array<std::uint16_t, kWhiteBalanceRegisters> m_p2wRegs{};
    // True once a Push2White capture read all its registers in this run: only then does
    // m_p2wRegs hold values read from the camera that Save may store.
    bool m_p2wCaptured = false;
    std::int32_t m_sharpReg = 0;
    std::int16_t m_trimX = 0;
    std::int16_t m_trimY = 0;
    std::array<std::uint8_t, kTrimBlockSize> m_trimBlock{};
    // True when the latest read-back read everything without a failure: Save stores the
    // sharpness, exposure and overlay state that it read.
    bool m_cameraRead = false;
    // True when the latest read-back read both trim offsets and the whole trim block without
    // a failure: only then may a trim step or STORE send them.
    bool m_trimRead = false;
    // The script that "Ld EEpr file" programs: what the path edit shows, chosen with Browse or
    // typed.
    std::string m_scriptPath;
    // What the latest long operation did when it ended without a box, or what it reads while
    // it runs; "" once another one starts or writes the EEPROM. The window's notice line shows
    // it.
    std::string outcome_;

    // --- Shared routines. -------------------------------------------------------------------
    // Applies a scroll code to a slider; the new position's low byte, or -1 when the code
    // moves nothing.
    int scrollStep(frame::CScrollBar& bar, unsigned code);
    void showAexOnSlider();
    void showShutterOnSlider();
    void showCameraAddress();
    // Where the camera answers until its next power-up, which a failed EEPROM write's box
    // names: an address stored since the last search is taken only then.
    std::uint8_t answersAt() const { return answersUntilRepower_.value_or(camAddr()); }
    // The latest long operation's outcome for the notice line (see outcome_).
    void tellOutcome(std::string text);
    void setHighByteEditsEnabled(bool on);
    void setTrimButtonsEnabled(bool on);
    void setTrimGroupEnabled(bool on);
    template <std::size_t N>
    void enableGroup(const std::array<int, N>& group, bool on) {
        for (int id : group) enableControl(id, on);
    }
    // Manual exposure enables the shutter pair and greys the AEX pair; automatic the reverse.
    void showExposureMode(bool manual);
    // Reads an edit's text member as hex (after a refresh from controls), limits it to max,
    // optionally shows the limited value in the edit, refreshes the controls; returns it.
    std::uint32_t takeHexEdit(std::string& text, std::uint32_t max, bool showLimited);

    // --- Read-back. ---------------------------------------------------------------------------
    void initPanel();
    void readBackCamera();
    void showAexText();
    void showShutterText();
    void showGainOnSlider();
    void showTrimText();
    // After a read-back that found no camera, or failed: the address edit shows ff, and every
    // handler that sends to the camera's address refuses until a search finds one.
    void showNoCamera();

protected:
    void DoDataExchange(frame::DataExchange& dx) override;

    // The bus of this run; a handler builds `I2cLink link(bus())` for one action.
    const Bus& bus() const { return bus_; }
    std::uint8_t camAddr() const { return static_cast<std::uint8_t>(m_camAddr); }
    // The write gate of an operation on link: the guard's answer (a pass when none is set).
    // Once it passes, the EEPROM is written: Erase EEpr's warning no longer stands, and neither
    // does the notice line's outcome of an earlier operation.
    camera::WriteGate writeGate(I2cLink& link);

    // Window messages.
    void OnSysCommand(const frame::MessageParams& params);

    // Address group and Connect.
    void OnSearchAddress();
    void OnAddressEditChange();
    void OnSetNewAddress();
    void OnConnect();
    void OnOffsetEditChange();
    // The start of the settings area as the offset edit shows it; nothing, after a box that
    // names the text, when the edit names no offset.
    std::optional<std::uint8_t> typedOffset();

    // Exposure (exposure.cpp); the horizontal-scroll handler serves all three sliders.
    void OnManualExposure();
    void OnShutterEditChange();
    void OnAexEditChange();
    void OnHScroll(const frame::MessageParams& params);
    // One exposure slider step: the new position (scaled) into the value and its edit, then
    // the value to the camera with write, also when the code moved nothing.
    using ValueWrite = void (*)(I2cLink&, std::uint8_t camAddr, std::int32_t value);
    void exposureScrollStep(I2cLink& link, frame::CScrollBar& bar, unsigned code,
                            std::int32_t& value, std::string& text, int scale, ValueWrite write);

    // White balance (white_balance.cpp).
    void OnAutoWhiteBalance();
    void OnPush2White();
    void showWhiteBalanceMode(const char* text);

    // Mirror, flip, sharpness and overlays (image_settings.cpp).
    void OnMirror();
    void OnFlip();
    // After a mirror or flip change: the new shadow, or the box put back as the camera shows it.
    void projectionChanged(int boxId, int& check,
                           const camera::Result<camera::ProjectionChange>& change);
    void OnGainEditChange();
    void applyGainText();
    void sharpnessScrollStep(I2cLink& link, unsigned code);
    void OnOverlayEnable();
    void OnOverlayBox(int id);

    // Image trim (trim.cpp). One routine serves the four step buttons.
    void OnTrimStep(int button);
    void OnTrimStore();

    // Direct register access (direct_access.cpp). One routine serves the five target
    // radios, one the four hex edits, one Addr+ and Addr-.
    void OnTargetSelected(int radio);
    void OnReadToggled();
    void OnDirectEditChange(int edit);
    void OnSend();
    void OnAddressStep(int direction);
    void showRegisterAddress();
    void showWordResult(std::uint16_t hi, std::uint16_t lo);
    void showByteResult(std::uint16_t value);

    // Configuration EEPROM (eeprom_handlers.cpp).
    void OnSave();
    void OnEraseEeprom();
    void OnBrowse();
    void OnScriptPathChange();
    void OnLoadEepromFile();
    void showProgrammingResult(const camera::Result<camera::Programming>& run,
                               const eeprom::ScriptFile& file);

private:
    void buildMessageMap();
    // Calls visit.control(id, wrapper), visit.bound(id, name, member) and
    // visit.unbound(name, member) for each member the data exchange binds or the state dump
    // shows; Self is this class, const for the dump.
    template <typename Self, typename Visitor>
    static void visitMembers(Self& dialog, Visitor& visit);
    // A map entry for a routine that serves several controls: it is called with arg.
    void mapWithArg(frame::Message message, int id, void (CVorlixDlg::*fn)(int), int arg);
    // The box of a notification from control id whose handler needs a camera while none was
    // found; a check box that the click ticked goes back.
    void refuseWithoutCamera(int id);

    HostNotifier notifier_;
    // Where the camera answers until its next power-up, once a Set or an Erase of this run
    // stored another address for after it (m_camAddr then already names that one); nothing
    // when the camera answers at m_camAddr. A search ends it.
    std::optional<std::uint8_t> answersUntilRepower_;
    // The address the read-back takes instead of searching, until a search is asked for.
    std::optional<std::uint8_t> givenAddress_;
    Bus bus_;
    EepromWriteGuard writeGuard_;
    // The script image of the last file Ld EEpr file read: entries past the end of a short
    // file keep what an earlier file of this run left there.
    eeprom::ScriptImage scriptImage_{};
    // The most entries any script of this run filled: entries from here on still hold the
    // zero start image, which nobody gave, so Ld EEpr file refuses to program them.
    std::size_t filledEntries_ = 0;
    // Presses of "Erase EEpr" since start, as the state dump shows them.
    std::int16_t erasePresses_ = 0;
    // True after Erase EEpr warned about the area the offset edit shows: the next press erases
    // it. A change of the offset edit or another operation's EEPROM write ends it, so a press
    // never erases an area that no warning named.
    bool eraseArmed_ = false;
    // False while the latest read-back or search found no camera: the handlers that send to the
    // camera's address refuse then.
    bool cameraFound_ = false;
};

}  // namespace vorlix::panel
