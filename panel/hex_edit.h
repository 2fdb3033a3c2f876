#pragma once
// Numbers in the panel's edits: shown with "%x" (lower case, no prefix, no leading zeros) and
// read back by the C library's unsigned base-16 conversion rules for a 32-bit unsigned long.
#include <cstdint>
#include <string>

namespace vorlix::panel {

// strtoul(text, nullptr, 16) with a 32-bit unsigned long: leading white space skipped, an
// optional sign, an optional "0x"/"0X" (only when a hex digit follows), digits up to the
// first non-digit; no digits gives 0; a value beyond 32 bits gives 0xFFFFFFFF; a leading
// minus negates modulo 2^32 ("-1" gives 0xFFFFFFFF).
std::uint32_t parseHex(const std::string& text);

// "%x" of an unsigned 32-bit value.
std::string formatHex(std::uint32_t value);

}  // namespace vorlix::panel
