#pragma once
// The window of one dialog: a real Windows dialog built in memory (DLGTEMPLATEEX) from the
// dialog's template in res/, so dialog units, the dialog font, group boxes, the default button,
// Tab and Escape are the dialog manager's own. The dialog model holds every control's state;
// the window only shows it, and turns a person's input into the dialog's input entry points
// (click, paste, scroll, sysCommand, enter, escape). Changes the program makes reach the
// controls while their notifications are ignored, so they never come back as input.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame/dialog.h"
#include "frame/input_queue.h"
#include "res/resources.h"

// Windows' handle types, declared as <windows.h> declares them: the headers of win32/ leave
// <windows.h> to the sources, which include it after every header of frame/ (its macros IDOK,
// SB_LINELEFT, SC_CLOSE, ... would otherwise replace the frame's names of the same values).
struct HWND__;
struct HICON__;
struct HBITMAP__;

namespace vorlix::win32 {

using Window = HWND__*;
using Icon = HICON__*;

// UTF-8 (the program's strings) to and from UTF-16 (Windows' own).
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

// The dots per inch of the screen window is on (96 at 100 %): per window on Windows 10 1607
// and later, else the scale at logon.
unsigned dpiOf(Window window);

// Icons and pictures from the program's artwork; the caller destroys them.
Icon makeIcon(const res::Image& image);
HBITMAP__* makeBitmap(const res::Image& image);

// The template as the dialog manager reads it: a DLGTEMPLATEEX and its items, in words.
std::vector<std::uint16_t> buildDialogTemplate(const frame::DialogTemplate& tmpl);

class DialogWindow {
public:
    struct Shell {
        std::function<void(DialogWindow&)> opened;       // the window exists, before OnInitDialog
        std::function<void(DialogWindow&)> initialised;  // after OnInitDialog
        std::function<void(DialogWindow&)> closing;
        std::function<bool()> waiting;  // the wait cursor is up: long work runs
    };

    DialogWindow(frame::CDialog& dialog, Shell shell);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Runs the dialog modally over owner (or none) and returns its end code.
    int run(Window owner);

    Window hwnd() const { return hwnd_; }
    frame::CDialog& dialog() { return dialog_; }
    Window control(int id) const;

    // Runs one piece of the person's input (or the initialisation) against the dialog. Input
    // that arrives while another runs (a message box's loop, the pump) is held and runs
    // afterwards, or is dropped during long work (frame::InputQueue). Then the source control
    // shows the model again, and the window closes once the dialog has ended.
    void deliver(std::function<void()> input, int sourceId = frame::kNoId);

    // The window menu's entries that belong to the dialog.
    void appendMenuSeparator();
    void appendMenuItem(unsigned commandId, const std::string& text);
    void setIcon(bool big, Icon icon);
    // Lines under the template's area that no control of the template owns.
    void setNotice(const std::string& lines);

    // For the window procedure: the dialog manager created the window and its controls; and
    // one message, answered (true, with its result in DWLP_MSGRESULT) or left to the default.
    void initialise(Window hwnd);
    bool handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    void command(int id, int code, Window from);
    void showControl(int id);

    frame::CDialog& dialog_;
    Shell shell_;
    Window hwnd_ = nullptr;
    std::vector<Window> controls_;  // one per template control, in template order
    std::map<int, Window> byId_;
    std::vector<unsigned> menu_;       // the commands appended to the window menu
    std::vector<HBITMAP__*> bitmaps_;  // the pictures of the controls
    std::vector<Icon> icons_;
    Window notice_ = nullptr;
    int frameWidth_ = 0, frameHeight_ = 0;    // the window's size before any notice
    int clientWidth_ = 0, clientHeight_ = 0;  // and its client area
    frame::InputQueue input_;
    bool writing_ = false;  // the program is changing a control: its notifications are not input
};

}  // namespace vorlix::win32
