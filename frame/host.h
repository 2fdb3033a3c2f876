#pragma once
// Everything that needs a person or a screen. The headless host answers from an action
// script and records every box; the Qt host shows real widgets. Handlers never know which.
#include <functional>
#include <optional>
#include <string>

namespace vorlix::frame {

class CDialog;

// The title of every message box.
inline constexpr char kBoxTitle[] = "Vorlix";
// What a window shows while the built-in simulated camera stands in for hardware.
inline constexpr char kSimulatedNotice[] = "Simulated camera \u2014 no hardware connected";
// The label of the main dialog that names the interface the camera hangs on; the windows show
// their standing notes beside it.
inline constexpr char kInterfaceLabel[] = "rev 1.6 USB interface";
// The window menu's entry of the bus log, which every window host appends after the dialog's
// own entries. The identifier is none of the dialog's own (0x10..0x1F): the framework answers it
// before the message map.
inline constexpr unsigned kBusLogCommand = 0x0100;
inline constexpr char kBusLogMenuText[] = "&Bus log...";
// The trace line that says the bus log was opened.
inline constexpr char kBusLogOpenedLine[] = "L open";

class BusLog;

class Host {
public:
    virtual ~Host() = default;

    // A modal box with an OK button and no icon; returns when the person closed it.
    void messageBox(const std::string& text);
    // The open-file dialog with a filter in the platform's form ("Label|*.ext||"). Returns
    // the full path of the first file chosen, or nothing when the person cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& filter,
                                                      bool allowMultiSelect) = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
    // A chance to repaint during long operations; the person's input stays held meanwhile.
    virtual void pump() = 0;
    // Runs a dialog modally: creates it, runs its OnInitDialog, then delivers the person's
    // actions until the dialog ends. Returns the dialog's end code.
    int runModal(CDialog& dialog);

    // A standing note for the person that is not a modal question (what to do about a bus
    // adapter that cannot be used, say); the window shows it, the headless host ignores it.
    virtual void notice(const std::string& /*text*/) {}
    // What the latest long operation did when it ended without a box ("settings saved in bank
    // a0 from offset 20"), or "" while one runs or after it ended with a box. The windows show
    // it on the notice line after the standing notes, each text replacing the one before; the
    // headless host ignores it (the dialog's state dump carries it).
    virtual void outcome(const std::string& /*text*/) {}

    // The bus log this host keeps for its window (nullptr: none; the program then feeds it
    // nothing). A host keeps it from its start, so the log shows what came before it opened.
    virtual BusLog* busLog() { return nullptr; }
    // The person chose the bus log's menu entry: the trace says so ("L open"), then the host
    // shows the log (opened beside the dialog, or raised when it is open already).
    void openBusLog();

    // The window's shell: its system menu and its icons.
    virtual void appendMenuSeparator() {}
    virtual void appendMenuItem(unsigned /*commandId*/, const std::string& /*text*/) {}
    virtual void setIcon(bool /*big*/, int /*iconId*/) {}

    // Every box ("B text") and every nested modal dialog ("D id") is reported here, in order
    // with the bus traffic; the application routes it into the trace.
    void setEventHook(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }
    void event(const std::string& line) const {
        if (hook_) hook_(line);
    }

protected:
    virtual void showMessageBox(const std::string& text) = 0;
    virtual int doModal(CDialog& dialog, bool nested) = 0;
    virtual void showBusLog() {}

private:
    std::function<void(const std::string&)> hook_;
    int depth_ = 0;
};

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    explicit CWaitCursor(Host& host) : host_(host) { host_.beginWaitCursor(); }
    ~CWaitCursor() { host_.endWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    Host& host_;
};

}  // namespace vorlix::frame
