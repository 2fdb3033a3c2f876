#pragma once
// Direct access by hand: one sensor register or one EEPROM byte, each one camera command to
// the camera address. A failed transfer has told its own box; the result says it failed, and
// a read's value is what the link returned (0 after a failed header), which the window shows
// like any other.
#include <cstdint>
#include <string>

#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// "sensor register 301c", "bank a6 offset 50": a place of direct access in words.
std::string registerPlace(std::uint16_t reg);
std::string bytePlace(std::uint8_t bankForm, std::uint8_t offset);

Result<std::uint16_t> readSensorRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg);
Result<> writeSensorRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg,
                             std::uint16_t value);

// The byte at offset of the bank with this form (write or read form alike).
Result<std::uint16_t> readEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                                     std::uint8_t offset);

// Why value must not go to offset of the bank with this write form although it is a byte: a
// value for the stored camera address that the search could never find after the next
// power-up, in the words Set shows for it. Empty when it may be written.
std::string eepromByteProblem(std::uint8_t bankForm, std::uint8_t offset, std::uint8_t value);

// Writes value at offset of the bank with this write form once the gate lets it. A value that
// eepromByteProblem refuses is refused before the gate is asked.
Result<> writeEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                         std::uint8_t offset, std::uint8_t value, const WriteGate& mayWrite = {});

}  // namespace vorlix::camera
