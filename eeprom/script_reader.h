#pragma once
// The QEF script reader: a hex text, two digit characters per entry, comment lines starting
// with a slash. The reader itself never rejects a text: every pair of characters becomes an
// entry by the digit rules of hexDigitValue, and it tells where the first pair stands that is
// not two hex digits, so that a loader can refuse such a script before anything is written
// (see script_file.h).
#include <cstddef>
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

// A pair of a script text whose two characters are not both hex digits.
struct NonHexPair {
    std::size_t entry = 0;  // the entry it fills
    std::size_t line = 0;   // the line (from 1) its first character is on
    std::string chars;      // what stands there: its two characters, or one at the end of the text
};

struct ParsedScript {
    std::size_t pairs = 0;  // entries filled, from entry 0 on
    std::size_t given = 0;  // pairs the text gives, those past the image's end counted too
    // The line (from 1) of the pair for entry kEepromSize, the first one no bank takes; 0 when
    // the text gives no such pair.
    std::size_t firstSpareLine = 0;
    std::optional<NonHexPair> firstNonHex;
};

// Fills image from the raw bytes of a script file, from entry 0 upward. The bytes are read as
// a text: a UTF-8 byte-order mark at its very start is no part of it (an editor's mark, not
// the person's digits), CR LF is one newline, a lone CR is an ordinary character, a Ctrl-Z
// byte ends the text.
//
// Where a pair starts, spaces, tabs, newlines and comment lines (a slash up to and including
// its newline) are skipped in any order, so a comment after a blank line or after leading
// spaces is a comment too, and pairs exported with tabs between them read as written. The end
// of the text, or a 0xFF byte, where a pair starts ends the reading. The second character of
// a pair is taken exactly as it comes; the end of the text there counts as the byte 0xFF, so
// a text ending in half a pair still stores that entry. At most kScriptEntries entries are
// filled (pairs past them are only counted); entries past the last one keep their values.
ParsedScript parseScript(std::string_view fileBytes, ScriptImage& image);

}  // namespace vorlix::eeprom
