// The projection, sharpness and overlay writes.
#include "camera/image_settings.h"

namespace vorlix::camera {

namespace {

// Bit 8 of the projection register is written as 1 by every change but ticking mirror.
constexpr std::uint16_t kProjectionBit8 = 0x0100;
// Mirror (bit 0) and flip (bit 1): the companion register follows them, keeping its others.
constexpr std::uint16_t kProjectionBits = kProjectionMirror | kProjectionFlip;

// How one projection box changes the projection register and the shadow.
struct BoxEffect {
    std::uint16_t tickedSet;     // ticked: these bits are set
    std::uint16_t untickedKeep;  // unticked: only these bits are kept, then bit 8 is set
    std::uint32_t shadowBit;     // the box's bit in the shadow
    bool storesShadow;           // the shadow goes to the EEPROM before the registers
};

constexpr BoxEffect kMirror{0x0001, 0xFEFE, kMirrorShadow, true};
constexpr BoxEffect kFlip{0x0102, 0xFEFD, kFlipShadow, false};

}  // namespace

Result<ProjectionChange> changeProjection(I2cLink& link, std::uint8_t camAddr, ProjectionBox box,
                                          bool ticked, std::uint32_t shadow,
                                          const WriteGate& mayWrite) {
    const BoxEffect& change = box == ProjectionBox::Mirror ? kMirror : kFlip;
    Result<ProjectionChange> outcome;
    // A value that was not read is never written back: the first failed transfer ends the
    // change, and a failed write leaves the rest unsent.
    link.stopAtFirstFailure();
    std::uint16_t projection = readRegister(link, camAddr, kRegProjection);
    std::uint16_t companion =
        readRegister(link, camAddr, kRegProjectionCompanion) & ~kProjectionBits;
    if (link.failed())
        return {.outcome = Outcome::Failed,
                .words = "reading the projection failed; nothing was written"};

    if (ticked) {
        projection |= change.tickedSet;
        shadow |= change.shadowBit;
    } else {
        projection = (projection & change.untickedKeep) | kProjectionBit8;
        // Only the low 16 bits are kept; the EEPROM never holds more.
        shadow &= 0xFFFF & ~change.shadowBit;
    }
    companion |= projection & kProjectionBits;

    const auto fail = [&outcome](const char* words) {
        outcome.outcome = Outcome::Failed;
        outcome.words = words;
        return outcome;
    };
    if (change.storesShadow) {
        if (!gatePasses(mayWrite, outcome)) return outcome;
        link.camWrite8(camAddr, kShadowBank, kShadowHighOffset,
                       static_cast<std::uint8_t>((shadow >> 8) & 0xFF));
        link.camWrite8(camAddr, kShadowBank, kShadowLowOffset,
                       static_cast<std::uint8_t>(shadow & 0xFF));
        if (link.failed())
            return fail(
                "storing the mirror and flip shadow in bank a4 failed; the projection is as it "
                "was");
    }
    writeRegister(link, camAddr, kRegProjection, projection);
    if (link.failed()) return fail("writing the projection failed; it is as it was");
    outcome.value.projectionWritten = true;
    outcome.value.shadow = shadow;
    writeRegister(link, camAddr, kRegProjectionCompanion, companion);
    if (link.failed()) return fail("writing the projection's companion register failed");
    return outcome;
}

void writeSharpness(I2cLink& link, std::uint8_t camAddr, std::int32_t sharpReg) {
    writeRegister(link, camAddr, kRegSharpness, static_cast<std::uint16_t>(sharpReg));
}

void switchOverlays(I2cLink& link, std::uint8_t camAddr, bool on) {
    writeRegister(link, camAddr, kRegOverlayFunction, on ? kOverlayShown : 0);
}

void showOverlay(I2cLink& link, std::uint8_t camAddr, unsigned i, bool shown) {
    writeRegister(link, camAddr, overlayRegister(i), overlayValue(i, shown));
}

}  // namespace vorlix::camera
