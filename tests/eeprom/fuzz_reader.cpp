// libFuzzer target: any bytes at all, read as a script file, must parse without a fault,
// fill entries from 0 upward only, never more than the image holds (counting the pairs past
// it), and give no entry a value the digit rules cannot produce.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "eeprom/script_reader.h"

namespace {
constexpr std::uint16_t kUntouched = 0xBEEF;  // no digit pair can give this
constexpr std::uint16_t kLargestEntry = 0xFF + 0xF0;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlix::eeprom;
    static ScriptImage image;
    image.fill(kUntouched);
    const ParsedScript parsed =
        parseScript(std::string_view(reinterpret_cast<const char*>(data), size), image);
    const std::size_t stored = parsed.pairs;
    if (stored > image.size()) __builtin_trap();
    // Every pair is counted, those past the image too; the one for the first entry no bank
    // takes has its line.
    if (parsed.given != stored && (stored != image.size() || parsed.given < stored))
        __builtin_trap();
    if ((parsed.given > kEepromSize) != (parsed.firstSpareLine > 0)) __builtin_trap();
    // A pair the reader calls hex is one: its entry is a byte.
    if (parsed.firstNonHex && parsed.firstNonHex->entry >= stored) __builtin_trap();
    for (std::size_t i = 0; i < (parsed.firstNonHex ? parsed.firstNonHex->entry : stored); ++i)
        if (image[i] > 0xFF) __builtin_trap();
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool inRange = i < stored ? image[i] <= kLargestEntry : image[i] == kUntouched;
        if (!inRange) __builtin_trap();
    }
    return 0;
}
