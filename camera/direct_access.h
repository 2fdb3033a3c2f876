#pragma once
// Direct access by hand: one sensor register or one EEPROM byte, each one camera command to
// the camera address. Registers go through readRegister/writeRegister of the camera map.
#include <cstdint>
#include <optional>
#include <string>

#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// The byte at offset of the bank with this form (write or read form alike).
std::uint16_t readEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                             std::uint8_t offset);

// Writes value at offset of the bank with this write form once the gate lets it; the refusal
// (nothing sent) or nothing. A value for the stored camera address that the search could never
// find after the next power-up is refused as Set refuses it, before the gate is asked.
std::optional<std::string> writeEepromByte(I2cLink& link, std::uint8_t camAddr,
                                           std::uint8_t bankForm, std::uint8_t offset,
                                           std::uint8_t value, const WriteGate& mayWrite = {});

}  // namespace vorlix::camera
