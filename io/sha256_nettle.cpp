// SHA-256 from nettle.
#include <nettle/sha2.h>

#include <cstdint>

#include "io/hex.h"
#include "io/sha256.h"

namespace vorlix::io {

std::string sha256Hex(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    std::string hex;
    for (const std::uint8_t b : digest) hex += hexByte(b);
    return hex;
}

}  // namespace vorlix::io
