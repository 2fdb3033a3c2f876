#pragma once
// The sensor registers that the tool addresses through the camera, and the two helpers that
// read and write one by its whole 16-bit address: address and value both go on the bus high
// byte first.
#include <array>
#include <cstdint>

#include "link/i2c_link.h"

namespace vorlix {

inline constexpr std::uint16_t kRegShutter = 0x3012;              // manual shutter value
inline constexpr std::uint16_t kRegProjection = 0x301C;           // bit 0 mirror, bit 1 flip
inline constexpr std::uint16_t kRegProjectionCompanion = 0x3254;  // bits 0..1 follow 0x301C
inline constexpr std::uint16_t kRegSharpness = 0x326C;            // gain 0..7 in bits 11..13
inline constexpr std::uint16_t kRegTvMode = 0x4000;               // bit 1: PAL
inline constexpr std::uint16_t kRegOverlayFunction = 0x4F02;      // bit 15: overlays on
inline constexpr std::uint16_t kRegOverlay1 = 0x4F08;      // overlays 1..4 every second register
inline constexpr std::uint16_t kRegExposureMode = 0xA804;  // low 4 bits 0: manual
inline constexpr std::uint16_t kRegAexReference = 0xA812;  // low byte
inline constexpr std::uint16_t kRegWhiteBalanceMode = 0xAC04;  // 0x00FF adapts, 0x0000 holds

inline constexpr std::uint16_t kOverlayShown = 0x8000;  // bit 15 of the overlay registers
inline constexpr std::uint16_t kExposureManual = 0x0000;
inline constexpr std::uint16_t kExposureAutomatic = 0x000F;
inline constexpr std::uint16_t kWhiteBalanceAdapts = 0x00FF;
inline constexpr std::uint16_t kWhiteBalanceHeld = 0x0000;

// The register of overlay i (0..3).
constexpr std::uint16_t overlayRegister(unsigned i) {
    return static_cast<std::uint16_t>(kRegOverlay1 + 2 * i);
}

// The white-balance registers that Push2White captures and Save stores, in capture order.
// The walk skips 0xAC06, 0xAC08, 0xAC20..0xAC30 and 0xAC34.
inline constexpr std::array<std::uint16_t, 28> kWhiteBalanceWalk = {
    0xAC00, 0xAC02, 0xAC04, 0xAC0A, 0xAC0C, 0xAC0E, 0xAC10, 0xAC12, 0xAC14, 0xAC16,
    0xAC18, 0xAC1A, 0xAC1C, 0xAC1E, 0xAC32, 0xAC36, 0xAC38, 0xAC3A, 0xAC3C, 0xAC3E,
    0xAC40, 0xAC42, 0xAC44, 0xAC46, 0xAC48, 0xAC4A, 0xAC4C, 0xAC4E,
};

inline std::uint16_t readRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg) {
    return link.camRead16(camAddr, static_cast<std::uint8_t>(reg >> 8),
                          static_cast<std::uint8_t>(reg & 0xFF));
}

inline void writeRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg,
                          std::uint16_t value) {
    link.camWrite16(camAddr, static_cast<std::uint8_t>(reg >> 8),
                    static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace vorlix
