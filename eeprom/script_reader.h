#pragma once
// The QEF script reader: a hex text, two digit characters per entry, comment lines starting
// with a slash. The reader never rejects a text: every pair of characters becomes an entry by
// the digit rules of hexDigitValue, so a typo shows up as a value above 0xFF that the
// verification after programming reports.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "eeprom/eeprom_tables.h"

namespace vorlix::eeprom {

// The value of one digit character, in 8-bit arithmetic: '0'..'9' give 0..9, other bytes below
// 'H' give x - 55 ('A'..'F' 10..15, 'G' 16, bytes below '0' wrap: ' ' 0xE9), bytes from 'H' up
// give x - 87 ('a'..'f' 10..15, 'g' 16, 'W' 0, 0xFF 0xA8).
std::uint8_t hexDigitValue(std::uint8_t x);

// Fills image from the raw bytes of a script file, from entry 0 upward, and returns how many
// entries were stored. The bytes are read as a text: CR LF is one newline, a lone CR is an
// ordinary character, a Ctrl-Z byte ends the text.
//
// Where a pair starts, spaces, newlines and comment lines (a slash up to and including its
// newline) are skipped in any order, so a comment after a blank line or after leading spaces
// is a comment too. The end of the text, or a 0xFF byte, where a pair starts ends the
// reading. The second character of a pair is taken exactly as it comes; the end of
// the text there counts as the byte 0xFF, so a text ending in half a pair still stores that
// entry. At most kScriptEntries entries are read; entries past the last one keep their values.
std::size_t parseScript(std::string_view fileBytes, ScriptImage& image);

// Reads the file at path and parses it into image, reading only as far as the text goes (at
// most kScriptEntries pairs, a Ctrl-Z, or a 0xFF where a pair starts): the rest of a huge
// file is never read. Only a regular file is read; a FIFO or a device is refused without
// blocking. When the file cannot be opened or read, image is left untouched, false is
// returned and whyNot holds one line for the person that names the file and the reason
// ("cannot open PATH: ..." or "cannot read PATH: ..."). stored, when given, receives how
// many entries the file filled.
// Where a pair of a script text stands: its entry, and the line (from 1) its first character
// is on.
struct PairPlace {
    std::size_t entry = 0;
    std::size_t line = 0;
};

// The first pair among entries 0..count-1 of the text fileBytes whose two characters are not
// both hex digits, by the same rules as parseScript: the reader takes such a pair as a value
// all the same (a typo "zz" reads as 0x53), so a caller that wants only bytes the person wrote
// as bytes asks here.
std::optional<PairPlace> firstNonHexPair(std::string_view fileBytes, std::size_t count);

bool readScriptFile(const std::string& path, ScriptImage& image, std::string& whyNot,
                    std::size_t* stored = nullptr);

}  // namespace vorlix::eeprom
