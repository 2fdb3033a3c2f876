#pragma once
// The exposure: automatic with its AEX reference, or manual with its shutter value.
#include <cstdint>

#include "camera/camera_map.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// Switches the exposure to manual or to automatic (which starts from a fixed shutter value)
// and reads the value of the mode now active afresh: the shutter for manual, the AEX
// reference for automatic.
std::uint16_t switchExposure(I2cLink& link, std::uint8_t camAddr, bool manual);

// The manual shutter value (its low 16 bits).
void writeShutter(I2cLink& link, std::uint8_t camAddr, std::int32_t shutter);

// The AEX reference: the register carries it in its low byte only.
void writeAexReference(I2cLink& link, std::uint8_t camAddr, std::int32_t aexRef);

}  // namespace vorlix::camera
