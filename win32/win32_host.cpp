#include "win32/win32_host.h"

#include <algorithm>
#include <utility>

// After every header of frame/ (see dialog_window.h).
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
// clang-format on

namespace vorlix::win32 {

namespace {

// The messages that start something: key presses and characters, button presses and double
// clicks in the window and on its frame (the close box, the window menu), the wheel. A range
// each, as PeekMessage takes them; the releases and moves between them stay.
constexpr std::pair<UINT, UINT> kDroppedInput[] = {
    {WM_KEYFIRST, WM_KEYLAST},
    {WM_LBUTTONDOWN, WM_LBUTTONDOWN},
    {WM_LBUTTONDBLCLK, WM_RBUTTONDOWN},
    {WM_RBUTTONDBLCLK, WM_MBUTTONDOWN},
    {WM_MBUTTONDBLCLK, WM_XBUTTONDOWN},
    {WM_XBUTTONDBLCLK, WM_MOUSEHWHEEL},
    {WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN},
    {WM_NCLBUTTONDBLCLK, WM_NCRBUTTONDOWN},
    {WM_NCRBUTTONDBLCLK, WM_NCMBUTTONDOWN},
    {WM_NCMBUTTONDBLCLK, WM_NCMBUTTONDBLCLK},
    {WM_NCXBUTTONDOWN, WM_NCXBUTTONDOWN},
    {WM_NCXBUTTONDBLCLK, WM_NCXBUTTONDBLCLK},
};

}  // namespace

std::wstring commonDialogFilter(const std::string& filter) {
    std::wstring out = widen(filter);
    std::replace(out.begin(), out.end(), L'|', L'\0');
    return out;
}

Win32Host::Win32Host() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

Win32Host::~Win32Host() {
    for (HICON icon : icons_)
        if (icon) DestroyIcon(icon);
}

int Win32Host::doModal(frame::CDialog& dialog, bool /*nested*/) {
    DialogWindow::Shell shell;
    shell.opened = [this](DialogWindow& window) {
        windows_.push_back(&window);
        if (windows_.size() == 1) showNotices();
    };
    shell.closing = [this](DialogWindow& window) {
        windows_.erase(std::remove(windows_.begin(), windows_.end(), &window), windows_.end());
    };
    shell.waiting = [this] { return waiting_ > 0; };
    // The main window's menu ends with the bus log, after the dialog's own entries.
    shell.initialised = [this](DialogWindow& window) {
        if (windows_.size() == 1)
            window.appendMenuItem(frame::kBusLogCommand, frame::kBusLogMenuText);
    };
    DialogWindow window(dialog, std::move(shell));
    return window.run(owner());
}

void Win32Host::showBusLog() {
    if (!busLogWindow_) busLogWindow_ = std::make_unique<BusLogWindow>(busLog_);
    busLogWindow_->openBeside(windows_.empty() ? nullptr : windows_.front()->hwnd());
}

void Win32Host::notice(const std::string& text) {
    notices_.push_back(text);
    showNotices();
}

void Win32Host::outcome(const std::string& text) {
    outcome_ = text;
    showNotices();
}

void Win32Host::showNotices() {
    std::vector<std::string> shown = notices_;
    if (outcome_) shown.push_back(*outcome_);
    if (windows_.empty() || shown.empty()) return;
    std::string lines;
    for (std::size_t i = 0; i < shown.size(); ++i) lines += (i == 0 ? "" : "\n") + shown[i];
    windows_.front()->setNotice(lines);
}

void Win32Host::showMessageBox(const std::string& text) {
    MessageBoxW(owner(), widen(text).c_str(), widen(frame::kBoxTitle).c_str(), MB_OK);
}

std::optional<std::string> Win32Host::openFileDialog(const std::string& filter,
                                                     bool allowMultiSelect) {
    const std::wstring filters = commonDialogFilter(filter);
    std::wstring buffer(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner();
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                (allowMultiSelect ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    // One file: its full path. Several: the folder, then each name, NUL-separated.
    const std::wstring first = buffer.c_str();
    const std::size_t next = first.size() + 1;
    if (next < buffer.size() && buffer[next] != L'\0') {
        std::wstring folder = first;
        if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
        return narrow(folder + (buffer.c_str() + next));
    }
    return narrow(first);
}

void Win32Host::beginWaitCursor() {
    ++waiting_;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void Win32Host::endWaitCursor() {
    if (waiting_ == 0 || --waiting_ > 0) return;
    // Taken from the queue here, before the handler returns: the dialog manager's loop would
    // run it next.
    dropInput();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void Win32Host::dropInput() {
    MSG msg;
    for (DialogWindow* window : windows_)
        for (const auto& [first, last] : kDroppedInput)
            while (PeekMessageW(&msg, window->hwnd(), first, last, PM_REMOVE)) {
            }
}

void Win32Host::pump() {
    if (!repaints_.due()) return;
    // The log catches up here: its frame timer waits for the handler to return.
    if (busLogWindow_ && busLogWindow_->shown()) busLogWindow_->refresh();
    MSG msg;
    if (waiting_ > 0) {
        dropInput();
        // The bus log never touches the camera: it takes its input during long work too.
        if (HWND log = busLogWindow_ ? busLogWindow_->hwnd() : nullptr) {
            while (PeekMessageW(&msg, log, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    // Paint and the messages other windows send; any other input of the person stays queued.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
        DispatchMessageW(&msg);
    repaints_.painted();
}

void Win32Host::appendMenuSeparator() {
    if (DialogWindow* window = active()) window->appendMenuSeparator();
}

void Win32Host::appendMenuItem(unsigned commandId, const std::string& text) {
    if (DialogWindow* window = active()) window->appendMenuItem(commandId, text);
}

void Win32Host::setIcon(bool big, int iconId) {
    // The program has one icon; a handle that is not it is the null icon.
    if (iconId != res::IDR_MAINFRAME) return;
    HICON& icon = icons_[big ? 1 : 0];
    // At the sizes of the screen's scale (32 and 16 pixels at 100 %), drawn sharp at each.
    if (!icon) icon = makeIcon(res::icon(GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON)));
    if (DialogWindow* window = active()) window->setIcon(big, icon);
}

}  // namespace vorlix::win32
