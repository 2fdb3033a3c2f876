// The read-back of the camera's state.
#include "camera/readback.h"

namespace vorlix::camera {

CameraReadBack readBack(I2cLink& link, std::uint8_t camAddr) {
    link.stopAtFirstFailure();
    CameraReadBack r;
    // One register; empty once the link has failed.
    auto read = [&](std::uint16_t reg) -> std::optional<std::uint16_t> {
        const std::uint16_t value = readRegister(link, camAddr, reg);
        if (link.failed()) return std::nullopt;
        return value;
    };

    if (!(r.projection = read(kRegProjection))) return r;
    if (!(r.tvMode = read(kRegTvMode))) return r;
    if (!(r.overlayFunction = read(kRegOverlayFunction))) return r;
    if (overlaysOn(*r.overlayFunction)) {
        std::array<std::uint16_t, 4> shown;
        for (unsigned i = 0; i < shown.size(); ++i)
            shown[i] = readRegister(link, camAddr, overlayRegister(i));
        if (link.failed()) return r;
        r.overlays = shown;
    }

    ExposureRead exposure;
    exposure.mode = readRegister(link, camAddr, kRegExposureMode);
    exposure.aexRef = readRegister(link, camAddr, kRegAexReference);
    exposure.shutter = readRegister(link, camAddr, kRegShutter);
    if (link.failed()) return r;
    r.exposure = exposure;

    if (!(r.whiteBalance = read(kRegWhiteBalanceMode))) return r;
    if (!(r.sharpness = read(kRegSharpness))) return r;

    const std::uint16_t trimX = link.camRead8(camAddr, kTrimReadForm, kTrimXOffset);
    if (link.failed()) return r;
    r.trimX = trimX;
    if (trimX == kTrimNotActive) return r;
    const std::uint16_t trimY = link.camRead8(camAddr, kTrimReadForm, kTrimYOffset);
    if (link.failed()) return r;
    r.trimY = trimY;

    std::array<std::uint8_t, kTrimBlockSize> block;
    for (std::size_t i = 0; i < kTrimBlockSize; ++i) {
        block[i] = static_cast<std::uint8_t>(
            link.camRead8(camAddr, trimBlockReadForm(i), static_cast<std::uint8_t>(i % kBankSize)));
        if (link.failed()) return r;
    }
    r.trimBlock = block;
    return r;
}

}  // namespace vorlix::camera
