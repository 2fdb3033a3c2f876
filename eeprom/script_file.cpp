// Loading a script file.
#include "eeprom/script_file.h"

#include "eeprom/script_reader.h"
#include "io/hex.h"
#include "io/input_file.h"
#include "io/printable.h"
#include "io/sha256.h"

namespace vorlix::eeprom {

namespace {

// The characters of a pair as they stand in the file: a byte that is no ASCII character is
// shown by its code, since half of a multi-byte character would print as garbage.
std::string pairText(const std::string& chars) {
    std::string text;
    for (const char c : chars) {
        if (static_cast<unsigned char>(c) < 0x80) {
            text += io::printable(std::string_view(&c, 1));
        } else {
            text += "\\x" + io::hexByte(static_cast<std::uint8_t>(c));
        }
    }
    return text;
}

}  // namespace

io::Expected<ScriptFile> loadScript(const std::string& path, const ScriptImage& base) {
    const io::Expected<std::string, io::ReadFailure> bytes =
        io::readWholeFile(path, kScriptFileMax);
    if (!bytes) {
        const io::ReadFailure& failure = bytes.failure();
        return io::Failure{(failure.opening ? "cannot open " : "cannot read ") +
                           io::printable(path) + ": " + failure.reason};
    }
    ScriptFile file{path, base, 0, {}};
    const ParsedScript parsed = parseScript(*bytes, file.image);
    if (const std::optional<NonHexPair>& pair = parsed.firstNonHex) {
        return io::Failure{scriptLine(
            path, "line " + std::to_string(pair->line) + ": \"" + pairText(pair->chars) + "\"" +
                      (pair->chars.size() < 2 ? " at the end of the file" : "") +
                      " is no hex byte (the pair for " +
                      (pair->entry < kEepromSize ? eepromPlace(pair->entry)
                                                 : "entry " + std::to_string(pair->entry)) +
                      ")")};
    }
    // One pair too many anywhere (a line given twice) moves every byte after it; only the
    // EEPROM's own size, or the whole table a script may fill, says where the file ends.
    if (parsed.given > kEepromSize && parsed.given != kScriptEntries) {
        return io::Failure{scriptLine(
            path, "holds " + std::to_string(parsed.given) + " pairs where the EEPROM takes " +
                      std::to_string(kEepromSize) + ": pair " + std::to_string(kEepromSize + 1) +
                      " stands on line " + std::to_string(parsed.firstSpareLine) +
                      " (a script gives " + std::to_string(kEepromSize) + " pairs, or all " +
                      std::to_string(kScriptEntries) + " of a whole table)")};
    }
    file.pairs = parsed.pairs;
    file.sha256 = io::sha256Hex(*bytes);
    return file;
}

std::string scriptLine(const std::string& path, const std::string& text) {
    return io::printable(path) + ": " + text;
}

std::string tooShortText(const std::string& path, std::size_t pairs) {
    return scriptLine(path, "holds " + std::to_string(pairs) + " of the " +
                                std::to_string(kEepromSize) +
                                " EEPROM bytes; a script for the camera gives every one");
}

}  // namespace vorlix::eeprom
