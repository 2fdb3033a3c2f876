#pragma once
// The configuration EEPROM's sizes and the script image that programs it: plain data that the
// camera's operations take and the front ends hold (the window keeps its last image for the
// whole run, so a short script's tail carries over from one press to the next).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/i2c_link.h"

namespace vorlix::eeprom {

inline constexpr std::size_t kScriptEntries = 2560;  // the most pairs a script file can fill
inline constexpr std::size_t kEepromSize = kBankSize * kBankCount;  // entries that are programmed

using ScriptImage = std::array<std::uint16_t, kScriptEntries>;

// "bank a2 offset 05": where byte at (counted from the start of bank 0xA0) lies, as the person
// reads it.
std::string eepromPlace(std::size_t at);

}  // namespace vorlix::eeprom
