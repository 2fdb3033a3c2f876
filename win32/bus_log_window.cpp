#include "win32/bus_log_window.h"

#include <algorithm>

#include "io/output_file.h"
#include "win32/dialog_window.h"

// After every header of frame/ (see dialog_window.h).
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

namespace vorlix::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VorlixBusLog";
constexpr int kListId = 1, kFailuresOnlyId = 2, kSaveId = 3, kClearId = 4, kReadingsId = 5;
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 16;  // RepaintThrottle's frame
// Sizes in pixels at 100 % (96 dpi), scaled to the screen the window is on.
constexpr int kWidth = 480, kMinWidth = 320;  // some 64 and 40 characters
constexpr int kMinHeight = 300;
constexpr int kMargin = 6, kButtonHeight = 24, kButtonWidth = 80, kCheckWidth = 120;
// The fonts in points, so that they have their size at every scale: the list in Courier New,
// the buttons in the dialog's face.
constexpr int kListPoints = 9, kButtonPoints = 8;

HFONT createFont(const wchar_t* face, int points, UINT dpi, BYTE pitchAndFamily) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    lf.lfPitchAndFamily = pitchAndFamily;
    wcscpy_s(lf.lfFaceName, face);
    return CreateFontIndirectW(&lf);
}

COLORREF colourOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<BusLogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    std::intptr_t result = 0;
    if (self && self->handle(message, wParam, lParam, result)) return static_cast<LRESULT>(result);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    registered = true;
}

}  // namespace

BusLogWindow::BusLogWindow(frame::BusLog& log) : log_(log) {}

BusLogWindow::~BusLogWindow() {
    log_.setOnChange(nullptr);
    if (hwnd_) DestroyWindow(hwnd_);
    for (void* font : {font_, buttonFont_})
        if (font) DeleteObject(static_cast<HFONT>(font));
}

bool BusLogWindow::shown() const {
    return hwnd_ && IsWindowVisible(hwnd_);
}

void BusLogWindow::openBeside(HWND owner) {
    if (!hwnd_) {
        registerClass();
        RECT dialog{0, 0, 640, 480};
        if (owner) GetWindowRect(owner, &dialog);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromRect(&dialog, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& area = monitor.rcWork;
        // Beside the dialog, so on its screen and at its scale.
        dpi_ = dpiOf(owner);
        const frame::Span span = frame::placeBeside(dialog.left, dialog.right, scaled(kWidth),
                                                    area.left, area.right, scaled(kMinWidth));
        hwnd_ = CreateWindowExW(0, kClassName, L"Bus log \u2014 Vorlix", WS_OVERLAPPEDWINDOW,
                                span.x, dialog.top, span.width,
                                std::max<LONG>(dialog.bottom - dialog.top, scaled(kMinHeight)),
                                owner, nullptr, GetModuleHandleW(nullptr), this);
        dpi_ = dpiOf(hwnd_);
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        const auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
            return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
        };
        list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NODATA |
                                    LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                                0, 0, 10, 10, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                                nullptr);
        failuresOnly_ =
            child(L"BUTTON", L"&Failures only", BS_AUTOCHECKBOX | WS_TABSTOP, kFailuresOnlyId);
        readings_ = child(L"BUTTON", L"Camera's &words", BS_AUTOCHECKBOX | WS_TABSTOP, kReadingsId);
        save_ = child(L"BUTTON", L"&Save...", BS_PUSHBUTTON | WS_TABSTOP, kSaveId);
        clear_ = child(L"BUTTON", L"C&lear", BS_PUSHBUTTON | WS_TABSTOP, kClearId);
        applyFonts();
        layout();
    }
    log_.setOnChange([this] {
        changed_ = true;
        if (!timerSet_ && hwnd_) timerSet_ = SetTimer(hwnd_, kFrameTimer, kFrameMs, nullptr) != 0;
    });
    changed_ = true;
    refresh();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
}

frame::BusLogRows BusLogWindow::rows() const {
    const bool failuresOnly = SendMessageW(failuresOnly_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool readings = SendMessageW(readings_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return {log_, failuresOnly, readings};
}

int BusLogWindow::scaled(int pixels) const {
    return MulDiv(pixels, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
}

void BusLogWindow::applyFonts() {
    void* const before[] = {font_, buttonFont_};  // in use until the new ones are set
    font_ = createFont(L"Courier New", kListPoints, dpi_, FIXED_PITCH | FF_MODERN);
    buttonFont_ = createFont(L"MS Shell Dlg", kButtonPoints, dpi_, DEFAULT_PITCH | FF_SWISS);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (HWND button : {failuresOnly_, readings_, save_, clear_})
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), TRUE);
    for (void* font : before)
        if (font) DeleteObject(static_cast<HFONT>(font));
    HDC dc = GetDC(list_);
    const HGDIOBJ old = SelectObject(dc, static_cast<HFONT>(font_));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    SendMessageW(list_, LB_SETITEMHEIGHT, 0, tm.tmHeight + 1);
}

void BusLogWindow::layout() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int margin = scaled(kMargin), button = scaled(kButtonHeight),
              width = scaled(kButtonWidth);
    const int bottom = client.bottom - margin - button;
    MoveWindow(list_, margin, margin, client.right - 2 * margin, bottom - 2 * margin, TRUE);
    MoveWindow(failuresOnly_, margin, bottom, scaled(kCheckWidth), button, TRUE);
    MoveWindow(readings_, margin + scaled(kCheckWidth), bottom, scaled(kCheckWidth), button, TRUE);
    MoveWindow(save_, client.right - 2 * (width + margin), bottom, width, button, TRUE);
    MoveWindow(clear_, client.right - (width + margin), bottom, width, button, TRUE);
}

void BusLogWindow::refresh() {
    if (!hwnd_ || !changed_) return;
    changed_ = false;
    const auto count = static_cast<WPARAM>(rows().count());
    // A list that showed its newest row keeps showing it.
    RECT inside{};
    GetClientRect(list_, &inside);
    const LRESULT height = std::max<LRESULT>(1, SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
    const LRESULT inSight = std::max<LRESULT>(1, inside.bottom / height);
    const LRESULT before = SendMessageW(list_, LB_GETCOUNT, 0, 0);
    const LRESULT top = SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
    const bool atEnd = top + inSight >= before;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_SETCOUNT, count, 0);
    const LRESULT newTop = atEnd ? std::max<LRESULT>(0, static_cast<LRESULT>(count) - inSight)
                                 : std::min<LRESULT>(top, static_cast<LRESULT>(count));
    SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(newTop), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void BusLogWindow::drawRow(const void* item) {
    const auto& draw = *static_cast<const DRAWITEMSTRUCT*>(item);
    FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_WINDOW));
    const frame::BusLogRows shown = rows();
    if (draw.itemID == static_cast<UINT>(-1) || draw.itemID >= shown.count()) return;
    const std::wstring text = widen(shown.text(draw.itemID));
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    switch (shown.mark(draw.itemID)) {
        case frame::BusLogRows::Mark::Failed:
            colour = colourOf(frame::BusLogRows::kFailedColour);
            break;
        case frame::BusLogRows::Mark::Notice:
            colour = colourOf(frame::BusLogRows::kNoticeColour);
            break;
        case frame::BusLogRows::Mark::Plain:
            break;
    }
    SetTextColor(draw.hDC, colour);
    SetBkMode(draw.hDC, TRANSPARENT);
    RECT at = draw.rcItem;
    at.left += 3;
    DrawTextW(draw.hDC, text.c_str(), static_cast<int>(text.size()), &at,
              DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
}

void BusLogWindow::saveAs() {
    std::wstring buffer(32768, L'\0');
    wcscpy_s(buffer.data(), buffer.size(), L"vorlix.trace");
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = L"Trace files (*.trace;*.txt)\0*.trace;*.txt\0All files (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = L"trace";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return;
    const std::string path = narrow(buffer.c_str());
    if (const io::Expected<> saved = io::replaceFile(path, rows().saved()); !saved)
        MessageBoxW(hwnd_, widen("cannot write " + path + ": " + saved.why()).c_str(),
                    widen(frame::kBoxTitle).c_str(), MB_OK);
}

bool BusLogWindow::handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::intptr_t& result) {
    switch (message) {
        case WM_SIZE:
            if (list_) layout();
            return false;
        case WM_DPICHANGED: {
            // Moved to a screen of another scale: the fonts anew, and the size Windows proposes.
            dpi_ = HIWORD(wParam);
            applyFonts();
            const RECT& proposed = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, proposed.left, proposed.top,
                         proposed.right - proposed.left, proposed.bottom - proposed.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            layout();
            return true;
        }
        case WM_TIMER:
            if (wParam != kFrameTimer) return false;
            KillTimer(hwnd_, kFrameTimer);
            timerSet_ = false;
            refresh();
            return true;
        case WM_DRAWITEM:
            if (wParam != kListId) return false;
            drawRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            result = TRUE;
            return true;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kFailuresOnlyId:
                    changed_ = true;
                    SendMessageW(list_, LB_SETTOPINDEX, 0, 0);
                    SendMessageW(list_, LB_SETCOUNT, 0, 0);  // then shown from its end
                    refresh();
                    return true;
                case kReadingsId:
                    // The same rows, each with or without its reading: only the paint changes.
                    InvalidateRect(list_, nullptr, TRUE);
                    return true;
                case kSaveId:
                    saveAs();
                    return true;
                case kClearId:
                    log_.clear();
                    refresh();
                    return true;
                default:
                    return false;
            }
        case WM_CLOSE:
            // Closing hides the window; the log goes on.
            log_.setOnChange(nullptr);
            ShowWindow(hwnd_, SW_HIDE);
            return true;
        case WM_DESTROY:
            // The dialog's window, our owner, is going.
            log_.setOnChange(nullptr);
            hwnd_ = nullptr;
            return false;
        default:
            return false;
    }
}

}  // namespace vorlix::win32
