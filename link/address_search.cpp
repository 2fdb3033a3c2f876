// The search for the camera: it answers at an address of its own choosing (kept in its
// EEPROM), so the tool asks every even address until one acknowledges.
#include "link/i2c_link.h"

namespace vorlix {

namespace {

// The probe is the header of an 8-bit read of bank 0xA0 offset 0xFE: harmless to the camera,
// and a camera that acknowledges it expects the completing one-byte read.
constexpr std::uint32_t kProbeSubAddress =
    static_cast<std::uint32_t>(kCmdRead8) << 8 | bankWriteForm(0);
constexpr std::uint8_t kProbeOffset = 0xFE;

constexpr char kNoCameraText[] = "No valid address found, re-power cam and retry.";

}  // namespace

// The probe clears the latch itself and never reports: an empty address is not an error
// worth a box.
std::uint16_t I2cLink::probe(std::uint8_t candidate) {
    const std::uint8_t data[1] = {kProbeOffset};
    return transferSub(candidate, 2, kProbeSubAddress, data, 1);
}

// Candidates: the default address first, then every even address from 0x00 to 0xF8 (the
// default is asked twice). Addresses from 0xFA on are never probed, and neither is the image
// sensor's own address: the sensor acknowledges every write, so a probe there would take it
// for the camera and every later camera command would land in the sensor as a raw write.
std::uint16_t I2cLink::findCamera() {
    std::uint16_t candidate = kCameraDefaultAddress;
    std::uint8_t probes = 0;
    while (candidate < kNoCameraFound) {
        if (candidate == kSensorWrite) {
            candidate += 2;
            continue;
        }
        pause(kReadPauseMs);
        const auto address = static_cast<std::uint8_t>(candidate);
        if (probe(address) == kStatusOk) {
            readByte(address | 1);
            return candidate;
        }
        candidate = probes == 0 ? 0x00 : candidate + 2;
        ++probes;
    }
    bus_.notifier.messageBox(kNoCameraText);
    return kNoCameraFound;
}

}  // namespace vorlix
