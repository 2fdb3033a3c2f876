#pragma once
// The image settings that go to the sensor at once: projection (mirror and flip, with their
// shadow in the configuration EEPROM), sharpness and the overlays.
#include <cstdint>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

enum class ProjectionBox { Mirror, Flip };

// The shadow with its mirror and flip bits taken from a projection register value; its other
// bits are kept.
constexpr std::uint32_t shadowOfProjection(std::uint32_t shadow, std::uint16_t projection) {
    return (shadow & ~kProjectionShadowBits) |
           ((projection & kProjectionMirror) ? kMirrorShadow : 0) |
           ((projection & kProjectionFlip) ? kFlipShadow : 0);
}

// What a mirror or flip change did.
struct ProjectionChange {
    // The new shadow: the mirror and flip the camera shows once the projection register took
    // the change (for mirror, the shadow's two EEPROM bytes went before it).
    std::uint32_t shadow = 0;
    // Whether the projection register took the change: done, and failed at the companion
    // register. Otherwise the camera shows mirror and flip as before.
    bool projectionWritten = false;
};

// Ticks or unticks mirror or flip: a read-modify-write of the projection register and its
// companion. Mirror stores the shadow (with its new bit) in the EEPROM before the registers,
// asking the gate first (a refusal writes nothing); flip leaves the EEPROM alone, its bit gets
// there with the next mirror change. The first failed transfer (told in its box) ends the
// change, which fails: after a failed read nothing is written, since a value that was never
// read is never written back; after a failed write nothing more is sent.
Result<ProjectionChange> changeProjection(I2cLink& link, std::uint8_t camAddr, ProjectionBox box,
                                          bool ticked, std::uint32_t shadow,
                                          const WriteGate& mayWrite = {});

void writeSharpness(I2cLink& link, std::uint8_t camAddr, std::int32_t sharpReg);

// The overlay function on or off; the single overlays keep their registers.
void switchOverlays(I2cLink& link, std::uint8_t camAddr, bool on);

// Overlay i (0..3) shown or hidden.
void showOverlay(I2cLink& link, std::uint8_t camAddr, unsigned i, bool shown);

}  // namespace vorlix::camera
