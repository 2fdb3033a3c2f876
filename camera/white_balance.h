#pragma once
// The white balance: adapting on its own, or held at the current white point, whose registers
// a capture reads for the settings snapshot.
#include <array>
#include <cstdint>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

using WhiteBalanceRegisters = std::array<std::uint16_t, kWhiteBalanceRegisters>;

// Lets the white balance adapt on its own.
void letWhiteBalanceAdapt(I2cLink& link, std::uint8_t camAddr);

// Lets a held white balance adapt again. The capture keeps its registers but for its first
// entry (the slot of 0xAC00), which takes the adapting mode's value, as a later snapshot
// stores it.
void releaseWhiteBalance(I2cLink& link, std::uint8_t camAddr, WhiteBalanceRegisters& captured);

// Holds the white point, lets it settle and reads the registers of kWhiteBalanceWalk in
// order. A capture counts only when every read of it succeeded: the link stops at the first
// failed transfer and the result fails (the white balance may then be held), its value
// nothing anyone may keep.
Result<WhiteBalanceRegisters> captureWhiteBalance(I2cLink& link, std::uint8_t camAddr);

}  // namespace vorlix::camera
