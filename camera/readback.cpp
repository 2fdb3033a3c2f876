// The read-back of the camera's state, and what it says.
#include "camera/readback.h"

#include "io/hex.h"

namespace vorlix::camera {

namespace {

std::string trimText(std::int16_t shown, const char* atZero, const char* atMax) {
    if (shown == 0) return atZero;
    if (shown == kTrimMax) return atMax;
    return io::formatHex(static_cast<unsigned>(shown));
}

bool complete(const CameraReadBack& r) {
    return (r.trimX && *r.trimX == kTrimNotActive) || r.trimBlock.has_value();
}

// Every value the camera gives, up to the first failed transfer; progress after each read.
CameraReadBack readValues(I2cLink& link, std::uint8_t camAddr,
                          const std::function<void(std::size_t)>& progress) {
    CameraReadBack r;
    std::size_t reads = 0;
    // Whether the latest read went through; counted when it did.
    auto through = [&]() {
        if (link.failed()) return false;
        if (progress) progress(++reads);
        return true;
    };
    // One register; empty once the link has failed.
    auto read = [&](std::uint16_t reg) -> std::optional<std::uint16_t> {
        const std::uint16_t value = readRegister(link, camAddr, reg);
        if (!through()) return std::nullopt;
        return value;
    };

    if (!(r.projection = read(kRegProjection))) return r;
    if (!(r.tvMode = read(kRegTvMode))) return r;
    if (!(r.overlayFunction = read(kRegOverlayFunction))) return r;
    if (overlaysOn(*r.overlayFunction)) {
        std::array<std::uint16_t, 4> shown;
        for (unsigned i = 0; i < shown.size(); ++i) {
            const std::optional<std::uint16_t> overlay = read(overlayRegister(i));
            if (!overlay) return r;
            shown[i] = *overlay;
        }
        r.overlays = shown;
    }

    ExposureRead exposure;
    for (auto [reg, value] : {std::pair{kRegExposureMode, &exposure.mode},
                              std::pair{kRegAexReference, &exposure.aexRef},
                              std::pair{kRegShutter, &exposure.shutter}}) {
        const std::optional<std::uint16_t> read16 = read(reg);
        if (!read16) return r;
        *value = *read16;
    }
    r.exposure = exposure;

    if (!(r.whiteBalance = read(kRegWhiteBalanceMode))) return r;
    if (!(r.sharpness = read(kRegSharpness))) return r;

    const std::uint16_t trimX = link.camRead8(camAddr, kTrimReadForm, kTrimXOffset);
    if (!through()) return r;
    r.trimX = trimX;
    if (trimX == kTrimNotActive) return r;
    const std::uint16_t trimY = link.camRead8(camAddr, kTrimReadForm, kTrimYOffset);
    if (!through()) return r;
    r.trimY = trimY;

    std::array<std::uint8_t, kTrimBlockSize> block;
    for (std::size_t i = 0; i < kTrimBlockSize; ++i) {
        block[i] = static_cast<std::uint8_t>(
            link.camRead8(camAddr, trimBlockReadForm(i), static_cast<std::uint8_t>(i % kBankSize)));
        if (!through()) return r;
    }
    r.trimBlock = block;
    return r;
}

}  // namespace

Result<CameraReadBack> readBack(I2cLink& link, std::uint8_t camAddr,
                                const std::function<void(std::size_t)>& progress) {
    link.stopAtFirstFailure();
    Result<CameraReadBack> read = doneWith(readValues(link, camAddr, progress));
    if (!complete(read.value)) {
        read.outcome = Outcome::Failed;
        read.words = "the read-back stopped at a failed transfer; what follows it was not read";
    }
    return read;
}

std::string trimXText(std::int16_t shown) {
    return trimText(shown, "Max Right", "Max Left");
}

std::string trimYText(std::int16_t shown) {
    return trimText(shown, "Max down", "Max up");
}

const char* tvModeText(std::uint16_t tvMode) {
    return isPal(tvMode) ? "PAL" : "NTSC";
}

const char* exposureText(std::uint16_t mode) {
    return manualExposure(mode) ? "manual" : "automatic";
}

const char* whiteBalanceText(std::uint16_t mode) {
    return mode == kWhiteBalanceAdapts ? "automatic" : "held";
}

std::vector<std::pair<std::string, std::string>> describeReadBack(std::uint8_t camAddr,
                                                                  const CameraReadBack& r) {
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back("camera address", io::hexByte(camAddr));
    if (r.tvMode) lines.emplace_back("tv mode", tvModeText(*r.tvMode));
    if (r.exposure) {
        lines.emplace_back("exposure", exposureText(r.exposure->mode));
        lines.emplace_back("aex reference", io::formatHex(r.exposure->aexRef));
        lines.emplace_back("shutter", io::formatHex(r.exposure->shutter));
    }
    if (r.whiteBalance) lines.emplace_back("white balance", whiteBalanceText(*r.whiteBalance));
    if (r.sharpness) lines.emplace_back("gain", std::to_string(gainOf(*r.sharpness)));
    // Overlays that are on are told only with the overlays that were read.
    if (r.overlayFunction && (!overlaysOn(*r.overlayFunction) || r.overlays)) {
        std::string text = overlaysOn(*r.overlayFunction) ? "on" : "off";
        if (r.overlays) {
            text += ", shown:";
            for (unsigned i = 0; i < r.overlays->size(); ++i)
                if (overlayShown((*r.overlays)[i])) text += " " + std::to_string(i + 1);
        }
        lines.emplace_back("overlays", text);
    }
    if (r.projection) {
        lines.emplace_back("mirror", mirrored(*r.projection) ? "on" : "off");
        lines.emplace_back("flip", flipped(*r.projection) ? "on" : "off");
    }
    if (r.trimX && *r.trimX == kTrimNotActive) {
        lines.emplace_back("trim", kTrimNotActiveText);
    } else if (r.trimY && r.trimBlock) {
        lines.emplace_back(
            "trim", "x " + trimXText(shownTrim(static_cast<std::int16_t>(*r.trimX))) + ", y " +
                        trimYText(shownTrim(static_cast<std::int16_t>(*r.trimY))));
    }
    return lines;
}

}  // namespace vorlix::camera
