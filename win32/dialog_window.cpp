#include "win32/dialog_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "frame/notice_rows.h"

// After every header of frame/ (see dialog_window.h); commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace vorlix::win32 {

namespace {

using frame::ControlKind;

// The dialog manager's predefined classes, by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kScrollBarClass = 0x0084;

class TemplateWriter {
public:
    std::vector<WORD> words;

    void word(unsigned value) { words.push_back(static_cast<WORD>(value)); }
    void dword(unsigned long value) {
        word(value & 0xFFFF);
        word((value >> 16) & 0xFFFF);
    }
    void text(const std::string& value) {
        for (wchar_t c : widen(value)) word(static_cast<WORD>(c));
        word(0);
    }
    void alignDword() {
        if (words.size() % 2) word(0);
    }
};

DWORD controlStyle(const frame::ControlTemplate& ctl) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (ctl.style & frame::kTabStop) style |= WS_TABSTOP;
    if (ctl.style & frame::kGroupStart) style |= WS_GROUP;
    switch (ctl.kind) {
        case ControlKind::Button:
            return style | ((ctl.style & frame::kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        // Neither checks itself: the dialog decides, and the window shows what it decided.
        case ControlKind::Check:
            return style | BS_CHECKBOX;
        case ControlKind::Radio:
            return style | BS_RADIOBUTTON;
        case ControlKind::Edit:
            style |= WS_BORDER | ES_AUTOHSCROLL;
            if (ctl.style & frame::kReadOnly) style |= ES_READONLY;
            if (ctl.style & frame::kMultiLine) style |= ES_MULTILINE;
            return style | ((ctl.style & frame::kCentered) ? ES_CENTER : ES_LEFT);
        case ControlKind::Static:
            return style | SS_LEFT | ((ctl.style & frame::kNoPrefix) ? SS_NOPREFIX : 0);
        case ControlKind::Group:
            return style | BS_GROUPBOX;
        case ControlKind::Scroll:
            return style | SBS_HORZ;
        case ControlKind::Progress:
            return style | WS_BORDER;
        case ControlKind::Picture:
            style |= (ctl.style & frame::kSunken) ? SS_SUNKEN : 0;
            return style | ((ctl.style & frame::kIcon) ? SS_ICON : SS_BITMAP | SS_REALSIZECONTROL);
    }
    return style;
}

// A top-down 32-bit picture with the artwork's pixels (0xAARRGGBB words are BGRA bytes).
HBITMAP dibSection(const res::Image& image) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = image.width;
    header.bV5Height = -image.height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (bitmap && bits)
        std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof image.pixels[0]);
    return bitmap;
}

}  // namespace

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

unsigned dpiOf(Window window) {
    // Older Windows lacks the call, so it is looked up.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) return getDpiForWindow(window);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<unsigned>(dpi);
}

Icon makeIcon(const res::Image& image) {
    HBITMAP color = dibSection(image);
    // With an alpha channel the mask only has to exist; all zero leaves the colours as drawn.
    const std::vector<BYTE> zeros(static_cast<std::size_t>((image.width + 15) / 16 * 2) *
                                  static_cast<std::size_t>(image.height));
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, zeros.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

HBITMAP__* makeBitmap(const res::Image& image) {
    return dibSection(image);
}

std::vector<std::uint16_t> buildDialogTemplate(const frame::DialogTemplate& tmpl) {
    TemplateWriter out;
    out.word(1);       // dlgVer
    out.word(0xFFFF);  // signature: DLGTEMPLATEEX
    out.dword(0);      // helpID
    out.dword(0);      // exStyle
    // A modal frame with caption and close box, no minimise or maximise box, centred.
    out.dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    out.word(static_cast<unsigned>(tmpl.controls.size()));
    out.word(0);  // x, y: centred
    out.word(0);
    out.word(static_cast<unsigned>(tmpl.width));
    out.word(static_cast<unsigned>(tmpl.height));
    out.word(0);  // no menu
    out.word(0);  // the dialog class
    out.text(tmpl.title);
    out.word(static_cast<unsigned>(tmpl.pointSize));
    out.word(FW_NORMAL);
    out.word(DEFAULT_CHARSET << 8);  // italic 0, then the charset byte
    out.text(tmpl.font);

    for (const frame::ControlTemplate& ctl : tmpl.controls) {
        out.alignDword();
        out.dword(0);  // helpID
        out.dword(0);  // exStyle
        out.dword(controlStyle(ctl));
        out.word(static_cast<unsigned>(ctl.place.x));
        out.word(static_cast<unsigned>(ctl.place.y));
        out.word(static_cast<unsigned>(ctl.place.w));
        out.word(static_cast<unsigned>(ctl.place.h));
        out.dword(static_cast<unsigned long>(ctl.id));  // kNoId is the platform's -1
        switch (ctl.kind) {
            case ControlKind::Button:
            case ControlKind::Check:
            case ControlKind::Radio:
            case ControlKind::Group:
                out.word(0xFFFF), out.word(kButtonClass);
                break;
            case ControlKind::Edit:
                out.word(0xFFFF), out.word(kEditClass);
                break;
            case ControlKind::Static:
            case ControlKind::Picture:
                out.word(0xFFFF), out.word(kStaticClass);
                break;
            case ControlKind::Scroll:
                out.word(0xFFFF), out.word(kScrollBarClass);
                break;
            case ControlKind::Progress:
                out.text(narrow(PROGRESS_CLASSW));
                break;
        }
        // Pictures get their image once created; an edit's text comes from the dialog.
        out.text(ctl.kind == ControlKind::Picture || ctl.kind == ControlKind::Edit ? ""
                                                                                   : ctl.caption);
        out.word(0);  // no creation data
    }
    return out.words;
}

DialogWindow::DialogWindow(frame::CDialog& dialog, Shell shell)
    : dialog_(dialog),
      shell_(std::move(shell)),
      input_(dialog, [this] { return shell_.waiting && shell_.waiting(); }) {}

DialogWindow::~DialogWindow() {
    dialog_.model().setObserver(nullptr);
    for (HBITMAP bitmap : bitmaps_) DeleteObject(bitmap);
    for (HICON icon : icons_) DestroyIcon(icon);
}

Window DialogWindow::control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

namespace {

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
        reinterpret_cast<DialogWindow*>(lParam)->initialise(hwnd);
        return TRUE;  // the focus goes to the first tab stop
    }
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self && self->handle(message, wParam, lParam) ? TRUE : FALSE;
}

}  // namespace

int DialogWindow::run(Window owner) {
    const std::vector<std::uint16_t> words = buildDialogTemplate(dialog_.dialogTemplate());
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
        &dialogProc, reinterpret_cast<LPARAM>(this));
    // Nothing for the person to see then: the one line goes where the program's other
    // complaints go.
    if (result == -1)
        std::fprintf(stderr, "vorlix: Windows could not create dialog %d (error %lu)\n",
                     dialog_.dialogTemplate().id, GetLastError());
    hwnd_ = nullptr;
    return dialog_.result();
}

void DialogWindow::initialise(Window hwnd) {
    hwnd_ = hwnd;
    const frame::DialogTemplate& tmpl = dialog_.dialogTemplate();
    // The pictures are drawn at the screen's scale, so they stay sharp.
    const unsigned dpi = dpiOf(hwnd_);
    // The dialog manager creates the controls in template order, each after the last.
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls_.push_back(child);
    controls_.resize(tmpl.controls.size());
    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
        const frame::ControlTemplate& ctl = tmpl.controls[i];
        if (ctl.id != frame::kNoId) byId_.emplace(ctl.id, controls_[i]);
        if (ctl.kind != ControlKind::Picture || !controls_[i]) continue;
        if (ctl.style & frame::kIcon) {
            HICON icon =
                makeIcon(res::icon(MulDiv(32, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI)));
            icons_.push_back(icon);
            SendMessageW(controls_[i], STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        } else {
            HBITMAP bitmap = makeBitmap(res::banner(dpi / double{USER_DEFAULT_SCREEN_DPI}));
            bitmaps_.push_back(bitmap);
            SendMessageW(controls_[i], STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(bitmap));
        }
    }
    RECT frame{}, client{};
    GetWindowRect(hwnd_, &frame);
    GetClientRect(hwnd_, &client);
    frameWidth_ = frame.right - frame.left;
    frameHeight_ = frame.bottom - frame.top;
    clientWidth_ = client.right;
    clientHeight_ = client.bottom;

    for (const auto& entry : byId_) showControl(entry.first);
    dialog_.model().setObserver([this](int id) { showControl(id); });
    if (shell_.opened) shell_.opened(*this);
    deliver([this] { dialog_.OnInitDialog(); });
    if (shell_.initialised) shell_.initialised(*this);
}

bool DialogWindow::handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return true;
        case WM_HSCROLL: {
            const auto bar = reinterpret_cast<HWND>(lParam);
            if (!bar) return false;
            const int id = GetDlgCtrlID(bar);
            const unsigned code = LOWORD(wParam);
            std::optional<int> track;
            if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
                SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
                GetScrollInfo(bar, SB_CTL, &info);
                track = info.nTrackPos;
            }
            deliver([this, id, code, track] { dialog_.scroll(id, code, track); }, id);
            return true;
        }
        case WM_SYSCOMMAND: {
            // The close box and the dialog's own menu entries go to the dialog; moving and
            // the rest stay the window manager's.
            const unsigned command = static_cast<unsigned>(wParam);
            if ((command & 0xFFF0) != SC_CLOSE &&
                std::find(menu_.begin(), menu_.end(), command & 0xFFF0) == menu_.end())
                return false;
            deliver([this, command, lParam] { dialog_.sysCommand(command, lParam); });
            return true;
        }
        case WM_CLOSE:
            return true;  // the dialog ends itself (SC_CLOSE above); never a second way
        case WM_SETCURSOR:
            if (shell_.waiting && shell_.waiting()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
                return true;
            }
            return false;
        case WM_DESTROY:
            if (shell_.closing) shell_.closing(*this);
            return false;
        default:
            return false;
    }
}

void DialogWindow::command(int id, int code, Window from) {
    if (from && code == BN_CLICKED && IsWindowEnabled(from)) {
        // A click, the space bar on a focused button, or Enter with a push button focused or
        // as the default button: the button was pressed.
        deliver([this, id] { dialog_.click(id); }, id);
    } else if (from && code == EN_CHANGE) {
        if (writing_) return;
        const int length = GetWindowTextLengthW(from);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(from, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        const std::string typed = narrow(text);
        deliver([this, id, typed] { dialog_.paste(id, typed); }, id);
    } else if (id == IDCANCEL && (!from || code == BN_CLICKED)) {
        deliver([this] { dialog_.escape(); });
    } else if (id == IDOK && (!from || code == BN_CLICKED)) {
        deliver([this] { dialog_.enter(); });
    }
}

void DialogWindow::showControl(int id) {
    HWND hwnd = control(id);
    if (!hwnd) return;
    const frame::DialogModel& model = dialog_.model();
    writing_ = true;
    EnableWindow(hwnd, model.isEnabled(id));
    const std::wstring text = widen(model.text(id));
    const auto setText = [&] {
        const int length = GetWindowTextLengthW(hwnd);
        std::wstring now(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd, now.data(), length + 1);
        now.resize(static_cast<std::size_t>(length));
        // An unchanged text keeps the caret where the person is typing.
        if (now != text) SetWindowTextW(hwnd, text.c_str());
    };
    switch (model.control(id).kind) {
        case ControlKind::Check:
        case ControlKind::Radio:
            SendMessageW(hwnd, BM_SETCHECK, model.check(id) ? BST_CHECKED : BST_UNCHECKED, 0);
            setText();
            break;
        case ControlKind::Button:
        case ControlKind::Edit:
        case ControlKind::Static:
        case ControlKind::Group:
            setText();
            break;
        case ControlKind::Scroll: {
            const frame::ScrollInfo& info = model.scrollInfo(id);
            SCROLLINFO si{
                sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, info.min, info.max, info.page, info.pos,
                0};
            SetScrollInfo(hwnd, SB_CTL, &si, TRUE);
            break;
        }
        case ControlKind::Progress: {
            const frame::ProgressInfo& info = model.progress(id);
            SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(info.min), info.max);
            SendMessageW(
                hwnd, PBM_SETPOS,
                static_cast<WPARAM>(std::clamp(info.pos, info.min, std::max(info.min, info.max))),
                0);
            break;
        }
        case ControlKind::Picture:
            break;
    }
    writing_ = false;
}

void DialogWindow::deliver(std::function<void()> input, int sourceId) {
    if (!input_.deliver(std::move(input), sourceId, [this](int id) { showControl(id); })) return;
    if (dialog_.ended() && hwnd_) EndDialog(hwnd_, dialog_.result());
}

void DialogWindow::appendMenuSeparator() {
    AppendMenuW(GetSystemMenu(hwnd_, FALSE), MF_SEPARATOR, 0, nullptr);
}

void DialogWindow::appendMenuItem(unsigned commandId, const std::string& text) {
    menu_.push_back(commandId & 0xFFF0);
    AppendMenuW(GetSystemMenu(hwnd_, FALSE), MF_STRING, commandId, widen(text).c_str());
}

void DialogWindow::setIcon(bool big, Icon icon) {
    SendMessageW(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void DialogWindow::setNotice(const std::string& lines) {
    RECT line{0, 0, 4, 8};  // one line of the dialog font and a margin, in dialog units
    MapDialogRect(hwnd_, &line);
    if (!notice_) {
        notice_ = CreateWindowExW(
            0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_NOPREFIX, 0, clientHeight_,
            clientWidth_, line.bottom, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(notice_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), TRUE);
    }
    // A line too long for the window gives way as frame::noticeRows says (a path first, then
    // onto more rows), measured in the notice's font; each row starts a space in.
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(notice_, WM_GETFONT, 0, 0)));
    const frame::TextWidth measure = [dc](const std::string& row) {
        const std::wstring wide = widen(" " + row);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    const int width = clientWidth_ - 2 * GetSystemMetrics(SM_CXEDGE) - 2;
    std::wstring text;
    int rows = 0;
    for (std::size_t start = 0; start <= lines.size();) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        for (const std::string& row :
             frame::noticeRows(lines.substr(start, end - start), width, measure)) {
            text += (rows++ == 0 ? L" " : L"\r\n ") + widen(row);
        }
        start = end + 1;
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    const int height = rows * line.bottom + line.bottom / 2 + 2;
    SetWindowTextW(notice_, text.c_str());
    MoveWindow(notice_, 0, clientHeight_, clientWidth_, height, TRUE);
    SetWindowPos(hwnd_, nullptr, 0, 0, frameWidth_, frameHeight_ + height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vorlix::win32
