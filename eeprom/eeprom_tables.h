#pragma once
// The tables of the configuration EEPROM subsystem. One EepromTables lives for the whole run
// (the main dialog holds it), so a script image and the erase press count carry over from one
// button press to the next.
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

struct EepromTables {
    // One 16-bit entry per digit pair of the last script read; entries past the end of a file
    // keep what an earlier file left there.
    ScriptImage scriptImage{};
    // The most entries any script read in this run filled: entries from here on still hold
    // the zero start image, which nobody gave.
    std::size_t filledEntries = 0;
    // The four banks as read back by the last verification, bank after bank.
    std::array<std::uint8_t, kEepromSize> readBackBuf{};
    // Presses of "Erase EEpr" since start: even = the next press only warns, odd = it erases.
    std::int16_t erasePresses = 0;
};

}  // namespace vorlix::eeprom
