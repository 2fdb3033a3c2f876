#pragma once
// The Qt 6 Widgets host: every dialog runs as a real window (DialogView) built from its
// template, message boxes and the open-file dialog are Qt's, and long operations keep the
// window painted while they drop the person's input. The host never touches the camera: it
// turns a person's input into the dialog's notifications and shows the dialog model.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/bus_log.h"
#include "frame/host.h"
#include "frame/repaint_throttle.h"
#include "qt/bus_log_window.h"
#include "qt/dialog_view.h"

namespace vorlix::qt {

class QtHost : public frame::Host {
public:
    QtHost();
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    std::optional<std::string> openFileDialog(const std::string& filter,
                                              bool allowMultiSelect) override;
    // Long work (a handler that shows the wait cursor) drops what the person does to a dialog's
    // window meanwhile: presses, keys, wheel turns and the close box go nowhere, whether they
    // come while the work repaints or still wait in the queue when it ends (taken, and dropped,
    // once the handler has returned; then input counts again). Releases and moves pass, so that
    // a gesture begun before the work (a scroll arrow held down) still ends. Painting, timers
    // and the bus log go on.
    void beginWaitCursor() override;
    void endWaitCursor() override;
    // Paints what changed and delivers timers, at most once a frame (RepaintThrottle). During
    // long work the person's input is taken, and dropped as above; during a handler that shows
    // no wait cursor it stays queued until the handler returns. Nothing happens before the
    // main window is shown.
    void pump() override;

    // Standing notes go under the main window, in the order they were given.
    void notice(const std::string& text) override;
    // The latest outcome takes the line after them; the line stays once it was shown.
    void outcome(const std::string& text) override;

    void appendMenuSeparator() override;
    void appendMenuItem(unsigned commandId, const std::string& text) override;
    void setIcon(bool big, int iconId) override;

    // The window of a dialog, created over the window of the dialog that runs it (if any),
    // initialised (OnInitDialog, before it is first shown) and shown, with the focus on its
    // first tab stop. doModal runs its local event loop on it; tests drive it directly.
    std::unique_ptr<DialogView> openView(frame::CDialog& dialog);
    frame::BusLog* busLog() override { return &busLog_; }
    // The bus log's window once it was opened (closing only hides it), else nullptr.
    BusLogWindow* busLogWindow() const { return busLogWindow_; }

    // The window of the innermost dialog, or nullptr.
    DialogView* activeView() const { return views_.empty() ? nullptr : views_.back(); }

protected:
    void showMessageBox(const std::string& text) override;
    int doModal(frame::CDialog& dialog, bool nested) override;
    void showBusLog() override;

private:
    // With VORLIX_SCREENSHOT=PATH the main window saves a picture of itself once shown and
    // closes; VORLIX_SCREENSHOT_ABOUT=PATH first opens the dialog's own last entry of the
    // window menu (the About box) and saves that dialog's picture as well;
    // VORLIX_SCREENSHOT_BUSLOG=PATH opens the bus log beside the window and saves a picture of the
    // screen with both.
    void scheduleScreenshot(DialogView& view, bool nested);

    void showNotices();
    void repaintNow();

    class InputDrop;
    std::vector<DialogView*> views_;
    QStringList notices_;
    std::optional<QString> outcome_;
    std::string mainShot_;
    std::string nestedShot_;
    std::string busLogShot_;
    frame::RepaintThrottle repaints_;
    frame::BusLog busLog_;
    QPointer<BusLogWindow> busLogWindow_;
    std::unique_ptr<InputDrop> drop_;
    int waiting_ = 0;  // wait cursors shown and not yet ended
};

// The platform's filter string ("Label|*.a;*.b|Label2|*.c||") in Qt's form
// ("Label (*.a *.b);;Label2 (*.c)").
QString qtFileFilter(const std::string& filter);

}  // namespace vorlix::qt
