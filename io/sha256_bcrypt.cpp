// SHA-256 from Windows' BCrypt (bcrypt.dll): the hash object calls, which Windows 7 has,
// since the one-call BCryptHash came only with Windows 10.
#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "io/hex.h"
#include "io/sha256.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace vorlix::io {

namespace {

constexpr ULONG kDigestSize = 32;

// Windows' own provider fails only where it cannot have memory: told like an allocation that
// failed, with the call and its status.
void check(NTSTATUS status, const char* call) {
    if (!BCRYPT_SUCCESS(status))
        throw std::runtime_error(std::string(call) + " failed for SHA-256 (status 0x" +
                                 formatHex(static_cast<std::uint32_t>(status), 8) + ")");
}

// The provider and the hash, closed whatever happens between.
struct Handles {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Handles() {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

}  // namespace

std::string sha256Hex(std::string_view bytes) {
    Handles handles;
    check(BCryptOpenAlgorithmProvider(&handles.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
          "BCryptOpenAlgorithmProvider");
    // The hash object's memory is the provider's own (no buffer given).
    check(BCryptCreateHash(handles.algorithm, &handles.hash, nullptr, 0, nullptr, 0, 0),
          "BCryptCreateHash");
    // A call takes at most a ULONG of bytes.
    for (std::size_t at = 0; at < bytes.size();) {
        const auto piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        check(BCryptHashData(handles.hash,
                             reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)), piece,
                             0),
              "BCryptHashData");
        at += piece;
    }
    UCHAR digest[kDigestSize];
    check(BCryptFinishHash(handles.hash, digest, kDigestSize, 0), "BCryptFinishHash");
    std::string hex;
    for (const UCHAR b : digest) hex += hexByte(b);
    return hex;
}

}  // namespace vorlix::io
