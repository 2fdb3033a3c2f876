// The exposure writes.
#include "camera/exposure.h"

namespace vorlix::camera {

namespace {

// The shutter value the automatic exposure starts from.
constexpr std::uint16_t kAutomaticShutterStart = 0x013B;
constexpr std::uint16_t kAexMask = 0x00FF;

}  // namespace

std::uint16_t switchExposure(I2cLink& link, std::uint8_t camAddr, bool manual) {
    if (manual) {
        writeRegister(link, camAddr, kRegExposureMode, kExposureManual);
        return readRegister(link, camAddr, kRegShutter);
    }
    // The mode is written on both sides of the shutter start value.
    writeRegister(link, camAddr, kRegExposureMode, kExposureAutomatic);
    writeRegister(link, camAddr, kRegShutter, kAutomaticShutterStart);
    writeRegister(link, camAddr, kRegExposureMode, kExposureAutomatic);
    return readRegister(link, camAddr, kRegAexReference);
}

void writeShutter(I2cLink& link, std::uint8_t camAddr, std::int32_t shutter) {
    writeRegister(link, camAddr, kRegShutter, static_cast<std::uint16_t>(shutter));
}

void writeAexReference(I2cLink& link, std::uint8_t camAddr, std::int32_t aexRef) {
    writeRegister(link, camAddr, kRegAexReference, static_cast<std::uint16_t>(aexRef & kAexMask));
}

}  // namespace vorlix::camera
