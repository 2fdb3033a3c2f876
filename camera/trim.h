#pragma once
// The image trim: the offsets and the trim block uploaded straight into the sensor (its own
// slaves 0xBA/0xBB, not the camera address), and the offsets stored in the camera's EEPROM for
// its next power-up.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

using TrimBlock = std::array<std::uint8_t, kTrimBlockSize>;

// A trim offset as the sensor takes it: bit 0 and the high byte are dropped.
constexpr std::int16_t evenTrim(std::int16_t offset) {
    return static_cast<std::int16_t>(offset & 0x00FE);
}

// Where one step from offset goes: by kTrimStep towards kTrimMax (direction +1) or towards 0
// (direction -1), from the offset made even. Nothing at the limit or beyond it: the step sends
// nothing and shows nothing.
constexpr std::optional<std::int16_t> trimStep(std::int16_t offset, int direction) {
    const std::int16_t from = evenTrim(offset);
    if (direction > 0 ? from >= kTrimMax : from <= 0) return std::nullopt;
    const int to = from + direction * kTrimStep;
    return static_cast<std::int16_t>(to < 0 ? 0 : to > kTrimMax ? kTrimMax : to);
}

// The chunks of sensor parameters an upload sends, each closed by a host command.
inline constexpr std::size_t kTrimUploadChunks =
    (kTrimBlockSize - kTrimParametersAt + kTrimChunkBytes - 1) / kTrimChunkBytes;

// Uploads the offsets x and y and the block's window words and parameters. Every transfer
// goes on after a failure (its box has been shown), so an absent sensor gives one box per
// transfer and the upload still ends. A sensor that stays busy after a host command stops the
// upload there, which fails: the next chunk would overwrite parameters it has not taken yet.
// progress, when given, runs after each chunk the sensor took, with the count of them so far
// (at most kTrimUploadChunks).
Result<> uploadTrim(I2cLink& link, std::int16_t x, std::int16_t y, const TrimBlock& block,
                    const std::function<void(std::size_t)>& progress = {});

// Stores the offsets x and y (bank 0xA2 offsets 0 and 1) once the gate lets it. Both bytes
// are written whatever the first one's transfer did (its box has told it); the result fails
// when either did. Done says what was stored.
Result<> storeTrim(I2cLink& link, std::uint8_t camAddr, std::int16_t x, std::int16_t y,
                   const WriteGate& mayWrite = {});

}  // namespace vorlix::camera
