// A stand-in for the adapter maker's library: the seven entries, exported by ordinal only,
// that record every call with its arguments in the file named by VORLIX_STANDIN_LOG and
// answer like a bus with one cooperative device:
// - handles have the top bit of the machine word set, so a handle cut down to 32 bits or
//   sign-mangled on its way back shows in the log as "bad";
// - a plain read fills 01 3b ..., a read with sub-address ab cd ...;
// - every transfer on a handle opened for slave 0x42 returns status 5 with garbage in the
//   upper 16 bits of the result, which the caller must drop.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

constexpr UINT_PTR kHandleMark = UINT_PTR(1) << (sizeof(UINT_PTR) * 8 - 1);
constexpr DWORD kRefused = 0xBEEF0005;

UINT_PTR g_opened = 0;
DWORD g_slave = 0;

void record(const char* format, ...) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("VORLIX_STANDIN_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    FILE* log = std::fopen(path, "a");
    if (log == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
    std::fclose(log);
}

// "h3" for the third handle given out, "bad" for anything else.
const char* handleName(UINT_PTR handle) {
    static char name[16];
    if ((handle & kHandleMark) == 0 || (handle & ~kHandleMark) != g_opened) return "bad";
    std::snprintf(name, sizeof name, "h%u", static_cast<unsigned>(handle & ~kHandleMark));
    return name;
}

void recordBytes(const char* head, const BYTE* data, DWORD count) {
    char line[256];
    int used = std::snprintf(line, sizeof line, "%s :", head);
    for (DWORD i = 0; i < count && used < 240; ++i)
        used += std::snprintf(line + used, sizeof line - used, " %02x", data[i]);
    record("%s", line);
}

DWORD answer() {
    return g_slave == 0x42 ? kRefused : 0;
}

}  // namespace

extern "C" {

UINT_PTR WINAPI standinOpen(DWORD slave, DWORD timeout, DWORD speed) {
    g_slave = slave;
    ++g_opened;
    record("5 %02lx %lu %lu", slave, timeout, speed);
    return kHandleMark | g_opened;
}

void WINAPI standinSelect(UINT_PTR handle, DWORD slave) {
    record("13 %s %02lx", handleName(handle), slave);
}

DWORD WINAPI standinWrite(UINT_PTR handle, const BYTE* data, DWORD zero, DWORD count) {
    char head[64];
    std::snprintf(head, sizeof head, "7 %s %lu %lu", handleName(handle), zero, count);
    recordBytes(head, data, count);
    return answer();
}

DWORD WINAPI standinWriteSub(UINT_PTR handle, DWORD subLength, DWORD subAddress, const BYTE* data,
                             DWORD count, DWORD zero) {
    char head[64];
    std::snprintf(head, sizeof head, "8 %s %lu %04lx %lu %lu", handleName(handle), subLength,
                  subAddress, count, zero);
    recordBytes(head, data, count);
    return answer();
}

DWORD WINAPI standinRead(UINT_PTR handle, BYTE* buffer, DWORD zero, DWORD count) {
    record("10 %s %lu %lu", handleName(handle), zero, count);
    for (DWORD i = 0; i < count; ++i) buffer[i] = static_cast<BYTE>(i == 0 ? 0x01 : 0x3b + i - 1);
    return answer();
}

DWORD WINAPI standinReadSub(UINT_PTR handle, DWORD subLength, DWORD subAddress, BYTE* buffer,
                            DWORD count, DWORD zero) {
    record("11 %s %lu %04lx %lu %lu", handleName(handle), subLength, subAddress, count, zero);
    for (DWORD i = 0; i < count; ++i) buffer[i] = static_cast<BYTE>(0xab + 0x22 * i);
    return answer();
}

void WINAPI standinClose(UINT_PTR handle) {
    record("6 %s", handleName(handle));
}

}  // extern "C"
