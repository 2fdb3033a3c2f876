#pragma once
// The one way a script file is read, for the window and the command line alike: read once,
// whole, under one bound, into an image, with the SHA-256 of exactly the bytes that were read.
// Whoever programs or compares works with what was read here and never opens the path again,
// so the bytes written, the bytes compared and the bytes a record names are the same bytes.
#include <cstddef>
#include <string>

#include "eeprom/eeprom_tables.h"
#include "io/expected.h"

namespace vorlix::eeprom {

// A script gives at most kScriptEntries pairs of a few characters, with comments: a file
// larger than this is no script (a firmware image picked by mistake, say) and is refused
// before it is parsed or hashed.
inline constexpr std::size_t kScriptFileMax = std::size_t{1} << 20;

struct ScriptFile {
    std::string path;       // as it was given
    ScriptImage image{};    // the image the file was read over, with its entries in place
    std::size_t pairs = 0;  // entries the file filled, from entry 0 on
    std::string sha256;     // of the file's bytes, all of them
};

// Reads the script at path over base (entries past the file's last pair keep base's values).
// Refuses, with one line for the person that names the file, a file that cannot be opened or
// read, one larger than kScriptFileMax, and one holding a pair that is not two hex digits: the
// reader would take "zz" or a stray character as a byte and program it. The line names the
// pair's line in the file and what stands there. A file must give the EEPROM's kEepromSize
// pairs (or fewer: the tail then comes from base, which the operations judge) or the whole
// table of kScriptEntries; any other count past kEepromSize is refused with the line of the
// first pair too many, since a stray pair shifts every byte after it.
io::Expected<ScriptFile> loadScript(const std::string& path, const ScriptImage& base);

// "PATH: text": a line about the script at path, as every refusal of a script words it.
std::string scriptLine(const std::string& path, const std::string& text);

// The line for a script that leaves part of the EEPROM to no file: pairs of kEepromSize given.
std::string tooShortText(const std::string& path, std::size_t pairs);

}  // namespace vorlix::eeprom
