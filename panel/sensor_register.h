#pragma once
// 16-bit sensor registers through the camera, named by their whole address and value: the
// address and the value both go on the bus high byte first.
#include <cstdint>

#include "link/i2c_link.h"

namespace vorlix::panel {

inline std::uint16_t readRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg) {
    return link.camRead16(camAddr, static_cast<std::uint8_t>(reg >> 8),
                          static_cast<std::uint8_t>(reg & 0xFF));
}

inline void writeRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg,
                          std::uint16_t value) {
    link.camWrite16(camAddr, static_cast<std::uint8_t>(reg >> 8),
                    static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace vorlix::panel
