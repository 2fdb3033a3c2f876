#pragma once
// The read-back: everything the panel shows of a camera, read in one pass. It stops at the
// first failed transfer (whose box is the only one), so a value that is missing here was
// never read, and neither was anything after it.
#include <array>
#include <cstdint>
#include <optional>

#include "camera/camera_map.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

struct ExposureRead {
    std::uint16_t mode = 0;
    std::uint16_t aexRef = 0;
    std::uint16_t shutter = 0;
};

// In the order of reading. overlays is read only when the overlay function is on; trimY and
// trimBlock only when trimX is not kTrimNotActive.
struct CameraReadBack {
    std::optional<std::uint16_t> projection;
    std::optional<std::uint16_t> tvMode;
    std::optional<std::uint16_t> overlayFunction;
    std::optional<std::array<std::uint16_t, 4>> overlays;
    std::optional<ExposureRead> exposure;
    std::optional<std::uint16_t> whiteBalance;
    std::optional<std::uint16_t> sharpness;
    std::optional<std::uint16_t> trimX;
    std::optional<std::uint16_t> trimY;
    std::optional<std::array<std::uint8_t, kTrimBlockSize>> trimBlock;
};

// What the read registers mean, for everyone who shows them.
// Whether a read overlay function register (or one overlay's register) has it on.
constexpr bool overlaysOn(std::uint16_t overlayFunction) {
    return (overlayFunction & kOverlayShown) != 0;
}
constexpr bool overlayShown(std::uint16_t overlay) {
    return (overlay & kOverlayShown) != 0;
}
constexpr bool mirrored(std::uint16_t projection) {
    return (projection & kProjectionMirror) != 0;
}
constexpr bool flipped(std::uint16_t projection) {
    return (projection & kProjectionFlip) != 0;
}
constexpr bool isPal(std::uint16_t tvMode) {
    return (tvMode & kTvModePal) != 0;
}
constexpr bool manualExposure(std::uint16_t mode) {
    return (mode & kExposureModeBits) == kExposureManual;
}

// Reads the camera at camAddr; the link stops at its first failure from here on.
CameraReadBack readBack(I2cLink& link, std::uint8_t camAddr);

}  // namespace vorlix::camera
