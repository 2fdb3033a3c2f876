#pragma once
// The Win32 host: every dialog runs as a real Windows dialog (DialogWindow) built from its
// template; message boxes are MessageBox, the open-file dialog is the common dialog, the wait
// cursor is the system's, and long operations keep the window painted while they drop the
// person's input.
// The host never touches the camera: it turns a person's input into the dialog's
// notifications and shows the dialog model.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/bus_log.h"
#include "frame/host.h"
#include "frame/repaint_throttle.h"
#include "win32/bus_log_window.h"
#include "win32/dialog_window.h"

namespace vorlix::win32 {

class Win32Host : public frame::Host {
public:
    Win32Host();
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    std::optional<std::string> openFileDialog(const std::string& filter,
                                              bool allowMultiSelect) override;
    // Long work (a handler that shows the wait cursor) drops what the person does to a dialog's
    // window meanwhile: presses, keys and wheel turns on it and on its frame (the close box, the
    // window menu) are taken from the queue while the work repaints and once more when it ends,
    // and go nowhere. Releases and moves stay, so that a gesture begun before the work (a scroll
    // arrow held down) still ends. Painting and the bus log go on.
    void beginWaitCursor() override;
    void endWaitCursor() override;
    // Paints what changed, at most once a frame (RepaintThrottle). During long work it drops the
    // person's input as above and the bus log takes its own; during a handler that shows no wait
    // cursor the person's input stays queued until the handler returns.
    void pump() override;

    // Standing notes go under the main window, in the order they were given.
    void notice(const std::string& text) override;
    // The latest outcome takes the line after them; the line stays once it was shown.
    void outcome(const std::string& text) override;

    void appendMenuSeparator() override;
    void appendMenuItem(unsigned commandId, const std::string& text) override;
    void setIcon(bool big, int iconId) override;

    frame::BusLog* busLog() override { return &busLog_; }

protected:
    void showMessageBox(const std::string& text) override;
    int doModal(frame::CDialog& dialog, bool nested) override;
    void showBusLog() override;

private:
    DialogWindow* active() const { return windows_.empty() ? nullptr : windows_.back(); }
    Window owner() const { return active() ? active()->hwnd() : nullptr; }
    void showNotices();
    void dropInput();

    std::vector<DialogWindow*> windows_;
    std::vector<std::string> notices_;
    std::optional<std::string> outcome_;
    Icon icons_[2] = {nullptr, nullptr};  // small, big
    int waiting_ = 0;
    frame::RepaintThrottle repaints_;
    frame::BusLog busLog_;
    std::unique_ptr<BusLogWindow> busLogWindow_;
};

// The platform's filter string ("Label|*.a;*.b|Label2|*.c||") in the common dialog's form
// (the same with every '|' a NUL).
std::wstring commonDialogFilter(const std::string& filter);

}  // namespace vorlix::win32
