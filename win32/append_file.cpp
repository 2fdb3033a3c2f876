#include "win32/append_file.h"

// clang-format off
// Before <windows.h>: the frame's names that Windows' macros would otherwise replace.
#include "win32/dialog_window.h"
#include <windows.h>
// clang-format on

namespace vorlix::win32 {

namespace {

std::string lastError() {
    const DWORD code = GetLastError();
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, text, sizeof text, nullptr);
    std::string why(text, n);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == '.'))
        why.pop_back();
    return why.empty() ? "error " + std::to_string(code) : why;
}

}  // namespace

AppendFile::~AppendFile() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

// FILE_APPEND_DATA without FILE_WRITE_DATA: the system puts every write at the end of the file.
io::Expected<> AppendFile::open(const std::string& path) {
    const HANDLE handle = CreateFileW(widen(path).c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return io::Failure{lastError()};
    handle_ = handle;
    return io::Ok{};
}

bool AppendFile::endsALine() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size) || size.QuadPart == 0) return true;
    OVERLAPPED at{};
    const ULONGLONG last = static_cast<ULONGLONG>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char c = 0;
    DWORD read = 0;
    if (!ReadFile(handle_, &c, 1, &read, &at) || read != 1) return true;
    return c == '\n';
}

io::Expected<> AppendFile::appendLine(const std::string& line) {
    // Windows' locks are mandatory: one over the lines would stop a reader (a tally) for that
    // moment, so the lock is one byte far past the end any such file reaches.
    OVERLAPPED lockAt{};
    lockAt.OffsetHigh = 0x100;  // 1 TiB
    if (!LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt))
        return io::Failure{lastError()};
    const std::string data = endsALine() ? line : "\n" + line;
    DWORD written = 0;
    const bool wrote =
        WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    const std::string why = wrote ? "" : lastError();
    UnlockFileEx(handle_, 0, 1, 0, &lockAt);
    if (!wrote) return io::Failure{why};
    if (written != data.size()) return io::Failure{"the disk took only part of the line"};
    return io::Ok{};
}

}  // namespace vorlix::win32
