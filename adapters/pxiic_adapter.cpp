#include "adapters/pxiic_adapter.h"

#include <windows.h>

#include <vector>

namespace vorlix {
namespace {

// The library's entries as this program calls them. Only the argument lists are given, so
// the types are chosen for the values to arrive intact whatever the library declares:
// - Every integer argument travels as a zero-extended 32-bit DWORD. A callee reading it as
//   an 8-, 16- or 32-bit value sees the same number, and on 32-bit Windows each argument
//   fills one 4-byte stack slot whatever its declared width.
// - The handle is one machine word (UINT_PTR) and goes back to the library untouched.
// - A transfer's status is the low 16 bits of the returned register; whatever the library
//   leaves above them is dropped. The results of select and close are not used.
// - On 32-bit Windows the entries are __stdcall (WINAPI): the callee pops its arguments, so
//   each argument list below must be exact. 64-bit Windows has one calling convention.
//
//   5   UINT_PTR WINAPI open(DWORD slave, DWORD timeout, DWORD speed);
//   13  void     WINAPI select(UINT_PTR handle, DWORD slave);
//   7   DWORD    WINAPI write(UINT_PTR handle, const BYTE* data, DWORD zero, DWORD count);
//   8   DWORD    WINAPI writeSub(UINT_PTR handle, DWORD subLength, DWORD subAddress,
//                                const BYTE* data, DWORD count, DWORD zero);
//   10  DWORD    WINAPI read(UINT_PTR handle, BYTE* buffer, DWORD zero, DWORD count);
//   11  DWORD    WINAPI readSub(UINT_PTR handle, DWORD subLength, DWORD subAddress,
//                               BYTE* buffer, DWORD count, DWORD zero);
//   6   void     WINAPI close(UINT_PTR handle);
using OpenFn = UINT_PTR(WINAPI*)(DWORD, DWORD, DWORD);
using SelectFn = void(WINAPI*)(UINT_PTR, DWORD);
using WriteFn = DWORD(WINAPI*)(UINT_PTR, const BYTE*, DWORD, DWORD);
using WriteSubFn = DWORD(WINAPI*)(UINT_PTR, DWORD, DWORD, const BYTE*, DWORD, DWORD);
using ReadFn = DWORD(WINAPI*)(UINT_PTR, BYTE*, DWORD, DWORD);
using ReadSubFn = DWORD(WINAPI*)(UINT_PTR, DWORD, DWORD, BYTE*, DWORD, DWORD);
using CloseFn = void(WINAPI*)(UINT_PTR);

constexpr WORD kOrdinalOpen = 5;
constexpr WORD kOrdinalSelect = 13;
constexpr WORD kOrdinalWrite = 7;
constexpr WORD kOrdinalWriteSub = 8;
constexpr WORD kOrdinalRead = 10;
constexpr WORD kOrdinalReadSub = 11;
constexpr WORD kOrdinalClose = 6;

std::uint16_t status(DWORD result) {
    return static_cast<std::uint16_t>(result & 0xFFFF);
}

std::string loadFailure(const std::string& path, DWORD error) {
    const std::string untilThen = "; until then every transfer reports that no adapter is there";
    if (error == ERROR_MOD_NOT_FOUND) {
        return path +
               " (or a library it needs) was not found: put the adapter maker's "
               "PXIICDLL.dll beside vorlix.exe or name it with --bus pxiic:PATH" +
               untilThen;
    }
    if (error == ERROR_BAD_EXE_FORMAT) {
        const std::string bits = std::to_string(sizeof(void*) * 8);
        return path + " is not a " + bits + "-bit Windows library: this vorlix is a " + bits +
               "-bit program and can only load a library of the same bitness (a 32-bit "
               "PXIICDLL.dll needs the 32-bit vorlix)" +
               untilThen;
    }
    return path + " could not be loaded (Windows error " + std::to_string(error) + ")" + untilThen;
}

// The entry with this ordinal as a pointer of type Fn; missing ordinals are collected.
template <typename Fn>
Fn bind(HMODULE module, WORD ordinal, std::vector<WORD>& missing) {
    const FARPROC entry = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    if (entry == nullptr) {
        missing.push_back(ordinal);
        return nullptr;
    }
    // Through the generic function pointer type, which converts to any other without warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

struct PxiicAdapter::Library {
    HMODULE module;
    OpenFn open;
    SelectFn select;
    WriteFn write;
    WriteSubFn writeSub;
    ReadFn read;
    ReadSubFn readSub;
    CloseFn close;
};

PxiicAdapter::PxiicAdapter(const std::string& path, const HintFn& hint) {
    const auto tell = [&](const std::string& line) {
        if (hint) hint(line);
    };
    // No system error box for a damaged or foreign file: the hint tells the person instead.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    const HMODULE module = LoadLibraryA(path.c_str());
    const DWORD error = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (module == nullptr) {
        tell(loadFailure(path, error));
        return;
    }

    std::vector<WORD> missing;
    Library library{module,
                    bind<OpenFn>(module, kOrdinalOpen, missing),
                    bind<SelectFn>(module, kOrdinalSelect, missing),
                    bind<WriteFn>(module, kOrdinalWrite, missing),
                    bind<WriteSubFn>(module, kOrdinalWriteSub, missing),
                    bind<ReadFn>(module, kOrdinalRead, missing),
                    bind<ReadSubFn>(module, kOrdinalReadSub, missing),
                    bind<CloseFn>(module, kOrdinalClose, missing)};
    if (!missing.empty()) {
        std::string numbers;
        for (const WORD ordinal : missing)
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(ordinal);
        tell(path + " is not the adapter library this tool needs: it lacks the entr" +
             (missing.size() == 1 ? "y numbered " : "ies numbered ") + numbers +
             "; until then every transfer reports that no adapter is there");
        FreeLibrary(module);
        return;
    }
    library_ = std::make_unique<Library>(library);
}

PxiicAdapter::~PxiicAdapter() {
    if (library_) FreeLibrary(library_->module);
}

AdapterHandle PxiicAdapter::open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) {
    return library_ ? library_->open(slave, timeout, speed) : 0;
}

void PxiicAdapter::select(AdapterHandle handle, std::uint8_t slave) {
    if (library_) library_->select(handle, slave);
}

std::uint16_t PxiicAdapter::write(AdapterHandle handle, const std::uint8_t* data,
                                  std::uint32_t reserved, std::uint32_t count) {
    if (!library_) return kStatusNoAdapter;
    return status(library_->write(handle, data, reserved, count));
}

std::uint16_t PxiicAdapter::writeSub(AdapterHandle handle, std::uint32_t subLength,
                                     std::uint32_t subAddress, const std::uint8_t* data,
                                     std::uint32_t count, std::uint32_t reserved) {
    if (!library_) return kStatusNoAdapter;
    return status(library_->writeSub(handle, subLength, subAddress, data, count, reserved));
}

std::uint16_t PxiicAdapter::read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t reserved,
                                 std::uint32_t count) {
    if (!library_) return kStatusNoAdapter;
    return status(library_->read(handle, buffer, reserved, count));
}

std::uint16_t PxiicAdapter::readSub(AdapterHandle handle, std::uint32_t subLength,
                                    std::uint32_t subAddress, std::uint8_t* buffer,
                                    std::uint32_t count, std::uint32_t reserved) {
    if (!library_) return kStatusNoAdapter;
    return status(library_->readSub(handle, subLength, subAddress, buffer, count, reserved));
}

void PxiicAdapter::close(AdapterHandle handle) {
    if (library_) library_->close(handle);
}

}  // namespace vorlix
