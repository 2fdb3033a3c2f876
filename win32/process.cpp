#include "win32/process.h"

#include <windows.h>
// windows.h first: the console calls below need its types.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace vorlix::win32 {

namespace {

// A handle a parent gave us (a pipe, a file, a console of a console program).
bool hasStream(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void reopen(DWORD which, std::FILE* stream, const char* device, const char* mode) {
    if (hasStream(which)) return;
    if (!std::freopen(device, mode, stream)) return;
}

}  // namespace

void prepareProcess() {
    // A GUI program gets no console of its own; it writes to the one it was started from,
    // unless its streams were redirected, which already work and stay as they are.
    if ((!hasStream(STD_OUTPUT_HANDLE) || !hasStream(STD_ERROR_HANDLE)) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        reopen(STD_OUTPUT_HANDLE, stdout, "CONOUT$", "w");
        reopen(STD_ERROR_HANDLE, stderr, "CONOUT$", "w");
        reopen(STD_INPUT_HANDLE, stdin, "CONIN$", "r");
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool consoleTakesColour() {
    const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace vorlix::win32
