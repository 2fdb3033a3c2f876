#pragma once
// The read-back: everything the panel shows of a camera, read in one pass. It stops at the
// first failed transfer (whose box is the only one), so a value that is missing here was
// never read, and neither was anything after it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "camera/trim.h"
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

// The most reads a read-back makes (overlays on, trim active): twelve registers (four of them
// the overlays'), the two trim offsets and the trim block.
inline constexpr std::size_t kReadBackMostReads = 12 + 2 + kTrimBlockSize;

// Reads the camera at camAddr; the link stops at its first failure from here on. Done when
// every value it reads for this camera was read; Failed otherwise, with the values read up to
// the failure. progress, when given, runs after each read that went through with the count of
// them so far (at most kReadBackMostReads).
Result<CameraReadBack> readBack(I2cLink& link, std::uint8_t camAddr,
                                const std::function<void(std::size_t)>& progress = {});

// --- What a read-back says, in the words every front end shows ------------------------------

// A trim offset as it is shown and stepped from: limited to kTrimMax and made even.
constexpr std::int16_t shownTrim(std::int16_t offset) {
    return evenTrim(offset > kTrimMax ? kTrimMax : offset);
}
// What the trim texts show, and a script reads, for a camera without trim data.
inline constexpr char kTrimNotActiveText[] = "not active";
// A shown horizontal offset in words: "Max Right" at 0, "Max Left" at kTrimMax, else hex.
std::string trimXText(std::int16_t shown);
// A shown vertical offset in words: "Max down" at 0, "Max up" at kTrimMax, else hex.
std::string trimYText(std::int16_t shown);
// "PAL" or "NTSC".
const char* tvModeText(std::uint16_t tvMode);
// "manual" or "automatic".
const char* exposureText(std::uint16_t mode);
// "automatic" (it adapts) or "held".
const char* whiteBalanceText(std::uint16_t mode);

// The read-back as lines of (what, value) in the order of reading, each value in the words
// above; values that were not read are absent.
std::vector<std::pair<std::string, std::string>> describeReadBack(std::uint8_t camAddr,
                                                                  const CameraReadBack& r);

}  // namespace vorlix::camera
