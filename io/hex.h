#pragma once
// Hexadecimal as this program writes and reads it: lower case and without a prefix on the way
// out; on the way in, each reader says which texts it takes. The trace, the dump, the edits,
// the state file, the backups and the command line all go through here, so a byte written by
// one is read back by another.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlix::io {

// "%0*x": at least `width` digits, zeros in front ("0", "240", "ffffffff"; width 4: "0240").
std::string formatHex(std::uint64_t value, int width = 1);

// "70", "0a": two digits, the form of a byte in the trace, the script and the state file.
std::string hexByte(std::uint8_t b);

// Exactly `digits` hex digits, either case; nothing for anything else (no sign, no prefix, no
// white space).
std::optional<std::uint32_t> parseHexDigits(std::string_view text, std::size_t digits);

// A number as a person types it: one to maxDigits (at most 8) hex digits, either case, after
// an optional "0x" or "0X" ("1a0", "0x301c"); nothing for anything else.
std::optional<std::uint32_t> parseHexNumber(std::string_view text, std::size_t maxDigits);

// A byte as a person types it: one or two hex digits, either case, after an optional "0x" or
// "0X" ("5", "50", "0x50"); nothing for anything else.
std::optional<std::uint8_t> parseHexByte(std::string_view text);

// An edit's number, read as strtoul(text, nullptr, 16) reads it with a 32-bit unsigned long:
// leading white space skipped, an optional sign, an optional "0x"/"0X" (only when a hex digit
// follows), digits up to the first non-digit; no digits gives 0; a value beyond 32 bits gives
// 0xFFFFFFFF; a leading minus negates modulo 2^32 ("-1" gives 0xFFFFFFFF). Never fails: an edit
// always stands for some number.
std::uint32_t parseHex(std::string_view text);

}  // namespace vorlix::io
