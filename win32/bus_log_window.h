#pragma once
// The bus log's window on Windows: every line of the bus trace as it happens, failed transfers
// in red, with "Camera's words" each command's reading beside its lines; beside the dialog and
// modeless, owned by the dialog's window. The list holds no
// strings of its own (a no-data list box): it paints only the rows in sight, straight from the
// log, and catches up at most once a frame, so an open log costs the bus nothing. Closing it
// only hides it: the log keeps every line.
#include <cstdint>
#include <string>

#include "frame/bus_log.h"

struct HWND__;

namespace vorlix::win32 {

class BusLogWindow {
public:
    explicit BusLogWindow(frame::BusLog& log);
    ~BusLogWindow();
    BusLogWindow(const BusLogWindow&) = delete;
    BusLogWindow& operator=(const BusLogWindow&) = delete;

    // Shows the window to the right of owner's frame, created (owned by owner) when it does not
    // exist yet; raised when it is shown already.
    void openBeside(HWND__* owner);
    bool shown() const;
    // The window (nullptr until first opened).
    HWND__* hwnd() const { return hwnd_; }
    // Brings the list up to the log when the log changed since the last look.
    void refresh();

    // For the window procedure.
    bool handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                std::intptr_t& result);

private:
    frame::BusLogRows rows() const;
    // Pixels at 100 % scaled to the window's screen.
    int scaled(int pixels) const;
    // The list's and the buttons' fonts at the window's scale.
    void applyFonts();
    void layout();
    void drawRow(const void* drawItem);
    void saveAs();

    frame::BusLog& log_;
    HWND__* hwnd_ = nullptr;
    HWND__* list_ = nullptr;
    HWND__* failuresOnly_ = nullptr;
    HWND__* readings_ = nullptr;
    HWND__* save_ = nullptr;
    HWND__* clear_ = nullptr;
    void* font_ = nullptr;        // the list's fixed-pitch font
    void* buttonFont_ = nullptr;  // the buttons' font
    unsigned dpi_ = 96;           // of the screen the window is on
    bool changed_ = true;
    bool timerSet_ = false;
};

}  // namespace vorlix::win32
