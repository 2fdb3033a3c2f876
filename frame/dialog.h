#pragma once
// CDialog: our stand-in for the platform's dialog class. It owns the dialog model, does the
// whole-dialog data exchange in both directions, and dispatches notifications through a
// message map (a table of message, control id and handler), the way the platform does.
//
// Only the person-input entry points (click, type, paste, scroll, sysCommand, enter,
// escape) produce notifications. Everything the program does to controls (data exchange,
// setting checks, texts, ranges, positions) is silent, so a handler never re-enters itself.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frame/controls.h"
#include "frame/dialog_model.h"
#include "frame/dialog_template.h"
#include "frame/host.h"

namespace vorlix::frame {

// Scroll codes of WM_HSCROLL.
enum ScrollCode : unsigned {
    SB_LINELEFT = 0,
    SB_LINERIGHT = 1,
    SB_PAGELEFT = 2,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_LEFT = 6,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};

inline constexpr unsigned SC_CLOSE = 0xF060;

enum class Message { BnClicked, EnChange, HScroll, SysCommand };

struct MessageParams {
    unsigned code = 0;        // scroll code (WM_HSCROLL) or command identifier (WM_SYSCOMMAND)
    unsigned pos = 0;         // thumb position of WM_HSCROLL; its handlers take the slider's own
    int scrollBar = 0;        // the control id of the scroll bar that sent WM_HSCROLL
    std::intptr_t param = 0;  // WM_SYSCOMMAND's second argument
};

struct MessageMapEntry {
    Message message;
    int id;  // control id for BnClicked and EnChange; 0 for window messages
    std::function<void(const MessageParams&)> handler;
};

// One whole-dialog exchange in one direction.
class DataExchange {
public:
    DataExchange(DialogModel& model, bool saveAndValidate)
        : model_(model), save_(saveAndValidate) {}

    void text(int id, std::string& member);  // an edit's whole text
    void check(int id, int& member);         // 0 unchecked, 1 checked
    void control(int id, CWndRef& wrapper);  // attaches the wrapper once

private:
    DialogModel& model_;
    bool save_;
};

// A member as the state dump shows it.
class MemberWriter {
public:
    virtual ~MemberWriter() = default;
    virtual void number(const std::string& name, std::int64_t value) = 0;
    virtual void numbers(const std::string& name, const std::vector<std::int64_t>& values) = 0;
    virtual void text(const std::string& name, const std::string& value) = 0;
};

class CDialog {
public:
    CDialog(const DialogTemplate& tmpl, Host& host);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally through its host; returns the end code.
    int DoModal() { return host_.runModal(*this); }

    DialogModel& model() { return model_; }
    const DialogModel& model() const { return model_; }
    Host& host() { return host_; }
    const DialogTemplate& dialogTemplate() const { return model_.dialogTemplate(); }

    // --- Lifecycle, called by the host. ---------------------------------------------------
    // The base initialisation transfers the members into the controls.
    virtual bool OnInitDialog();
    void EndDialog(int result);
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // --- Data exchange. ---------------------------------------------------------------------
    // true: refresh from controls (controls into members); false: refresh controls.
    bool UpdateData(bool saveAndValidate = true);

    // --- The person's input: the only sources of notifications. ---------------------------
    // A click on a button: a check box toggles, a radio becomes the checked one of its group,
    // then BN_CLICKED. Clicks on greyed controls are lost, as on screen.
    void click(int id);
    // Keystrokes appended to an edit's text, one EN_CHANGE per character.
    void type(int id, const std::string& keys);
    // The edit's whole text replaced at once, one EN_CHANGE.
    void paste(int id, const std::string& text);
    // WM_HSCROLL from a scroll bar; a track position is set on the bar first when given.
    void scroll(int id, unsigned code, std::optional<int> track = std::nullopt);
    void sysCommand(unsigned id, std::intptr_t param = 0);
    void enter();   // the default button (OK)
    void escape();  // Cancel

    // The members as the state dump shows them (bound and unbound).
    virtual void dumpMembers(MemberWriter& out) const;

    // Exposed for tests and hosts: dispatches one message; false when the map has no entry.
    bool dispatch(Message message, int id, const MessageParams& params = {});

protected:
    virtual void DoDataExchange(DataExchange& dx);
    // The platform's OK: refresh from controls, then end with IDOK.
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // What the platform does with a system command nobody mapped: SC_CLOSE ends the dialog.
    void defaultSysCommand(unsigned id);

    // --- Control helpers, all silent. --------------------------------------------------------
    void enableControl(int id, bool on) { model_.enable(id, on); }
    void checkButton(int id, int check) { model_.setCheck(id, check); }
    int isChecked(int id) const { return model_.check(id); }
    void setItemText(int id, const std::string& text) { model_.setText(id, text); }

    // --- Building the message map, in the order of the map. --------------------------------
    template <class D>
    void onClicked(int id, void (D::*fn)()) {
        messageMap_.push_back({Message::BnClicked, id, [this, fn](const MessageParams&) {
                                   (static_cast<D*>(this)->*fn)();
                               }});
    }
    template <class D>
    void onChange(int id, void (D::*fn)()) {
        messageMap_.push_back({Message::EnChange, id, [this, fn](const MessageParams&) {
                                   (static_cast<D*>(this)->*fn)();
                               }});
    }
    template <class D>
    void onMessage(Message message, void (D::*fn)(const MessageParams&)) {
        messageMap_.push_back(
            {message, 0, [this, fn](const MessageParams& p) { (static_cast<D*>(this)->*fn)(p); }});
    }

    std::vector<MessageMapEntry> messageMap_;

private:
    bool acceptsInput(int id, ControlKind kind) const;  // exists, of that kind, not greyed
    bool acceptsKeys(int id) const;                     // an edit a person can type into
    void checkInGroup(int id);
    // WM_COMMAND from a button: its map entry, else OK and Cancel close the dialog.
    void command(int id);

    DialogModel model_;
    Host& host_;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace vorlix::frame
