#pragma once
// SHA-256, naming a script file or an EEPROM image by its contents in a record and a backup.
// The platform's own: BCrypt on Windows (sha256_bcrypt.cpp), nettle elsewhere
// (sha256_nettle.cpp).
#include <string>
#include <string_view>

namespace vorlix::io {

// The digest of bytes as 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace vorlix::io
