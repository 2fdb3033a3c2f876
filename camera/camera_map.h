#pragma once
// The camera map: every fact about the camera module that more than one operation needs, named
// once. The link's own protocol facts live in link/i2c_link.h and are part of this map by
// inclusion: the command codes (kCmdWrite8 ... kCmdWritePage), the default address
// kCameraDefaultAddress, the search's kNoCameraFound and kLastSearchedAddress, the read pause
// kReadPauseMs, the page size kPageEntries, the sensor's own slaves kSensorWrite/kSensorRead
// and the EEPROM banks (bankWriteForm, bankReadForm).
#include <array>
#include <cstddef>
#include <cstdint>

#include "link/i2c_link.h"

namespace vorlix {

// --- The configuration EEPROM ---------------------------------------------------------------

// The settings area that the camera applies at power-up starts somewhere in bank 0xA0.
inline constexpr std::uint8_t kSettingsBank = bankWriteForm(0);

// The stored camera address: one EEPROM byte that the camera reads at power-up only.
inline constexpr std::uint8_t kAddressBank = bankWriteForm(3);
inline constexpr std::uint8_t kAddressOffset = 0x50;
inline constexpr std::uint8_t kNoStoredAddress = 0xFF;  // the camera then answers at 0x70

// The stored trim offsets: bank 0xA2 offsets 0 (x) and 1 (y); x reading kTrimNotActive means
// the camera has no trim.
inline constexpr std::uint8_t kTrimBank = bankWriteForm(1);
inline constexpr std::uint8_t kTrimReadForm = bankReadForm(1);
inline constexpr std::uint8_t kTrimXOffset = 0x00;
inline constexpr std::uint8_t kTrimYOffset = 0x01;
inline constexpr std::uint16_t kTrimNotActive = 0xFF;

// The trim block: kTrimBlockSize bytes from offset 0 of bank 0xA2 on, through 0xA4 into 0xA6.
inline constexpr std::size_t kTrimBlockSize = 580;
// The read form of the bank that holds byte i of the trim block (at offset i % kBankSize).
constexpr std::uint8_t trimBlockReadForm(std::size_t i) {
    return bankReadForm(1 + i / kBankSize);
}

// The projection shadow: the mirror and flip bits that Mirror keeps in bank 0xA4, high byte at
// offset 0xFE and low byte at 0xFF.
inline constexpr std::uint8_t kShadowBank = bankWriteForm(2);
inline constexpr std::uint8_t kShadowHighOffset = 0xFE;
inline constexpr std::uint8_t kShadowLowOffset = 0xFF;
// The shadow's bits: mirror and flip as the projection register last had them.
inline constexpr std::uint32_t kMirrorShadow = 0x2;
inline constexpr std::uint32_t kFlipShadow = 0x4;
inline constexpr std::uint32_t kProjectionShadowBits = kMirrorShadow | kFlipShadow;

// The address a camera answers at after a power-up with stored in its EEPROM: bit 0 is the
// bus's read/write bit, which the camera ignores.
constexpr std::uint8_t addressAfterPowerUp(std::uint8_t stored) {
    return stored == kNoStoredAddress ? kCameraDefaultAddress
                                      : static_cast<std::uint8_t>(stored & 0xFE);
}

// False for a stored address that would lose the camera: findCamera never asks the sensor's
// address or anything from 0xFA on.
constexpr bool findableAfterPowerUp(std::uint8_t stored) {
    const std::uint8_t address = addressAfterPowerUp(stored);
    return address != kSensorWrite && address < kNoCameraFound;
}

// --- "No camera" ----------------------------------------------------------------------------

// The address the dialog holds once a read-back found no camera (shown as "ff"). A search that
// found none leaves findCamera's kNoCameraFound (shown as "fa") until the read-back turns it
// into this.
inline constexpr std::int16_t kNoCamera = 0xFF;

// Whether an address the dialog holds is one the search can answer with: kNoCameraFound and
// kNoCamera both lie past the last searched address.
constexpr bool namesCamera(std::int32_t address) {
    return address <= kLastSearchedAddress;
}

// --- The sensor's registers, reached through the camera -------------------------------------

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

// The sensor's host-command register, written and polled on the sensor's own slaves: a
// command is done when the busy bit reads clear.
inline constexpr std::uint16_t kRegHostCommand = 0x0040;
inline constexpr std::uint16_t kHostCommandBusy = 0x8000;

// --- The trim upload, on the sensor's own slaves ------------------------------------------

inline constexpr std::uint16_t kRegTrimX = 0xC892;  // high byte 0x00, low byte the offset
inline constexpr std::uint16_t kRegTrimY = 0xC894;
inline constexpr std::uint16_t kRegTrimAccess = 0x098E;  // written with kTrimAccess first
inline constexpr std::uint16_t kTrimAccess = 0x4824;
// The window words of trim block offsets kTrimWindowAt.., in the order the sensor takes them.
inline constexpr std::array<std::uint16_t, 8> kTrimWindowRegisters = {
    0xC822, 0xC826, 0xC824, 0xC828, 0xC82E, 0xC830, 0xC82A, 0xC82C};
inline constexpr std::size_t kTrimWindowAt = 2;
// The sensor parameters: trim block offsets kTrimParametersAt.. in chunks of up to
// kTrimChunkBytes, each chunk into the parameter registers from kRegTrimParameters on and
// followed by kCmdLoadParameters; kCmdApplyParameters ends the upload.
inline constexpr std::size_t kTrimParametersAt = 32;
inline constexpr std::size_t kTrimChunkBytes = 16;
inline constexpr std::uint16_t kRegTrimParameters = 0xFC00;
inline constexpr std::uint16_t kCmdLoadParameters = 0x8304;
inline constexpr std::uint16_t kCmdApplyParameters = 0x8305;
// A host command that is still busy after this many reads of kRegHostCommand has failed.
inline constexpr int kHostCommandBusyReads = 16;

// --- Limits ---------------------------------------------------------------------------------

inline constexpr std::int32_t kShutterMax = 0x240;
inline constexpr std::int32_t kAexMax = 0xFF;
inline constexpr std::uint32_t kGainMax = 7;
inline constexpr int kGainShift = 11;  // the gain's place in the sharpness register
inline constexpr std::int32_t kSharpnessOtherBits = 0xC7FF;  // all but the gain bits 11..13
inline constexpr std::int16_t kTrimMax = 46;
inline constexpr std::int16_t kTrimStep = 2;  // trim offsets are even

// The gain (0..kGainMax) that a sharpness register value carries.
constexpr int gainOf(std::int32_t sharpness) {
    return (sharpness >> kGainShift) & static_cast<int>(kGainMax);
}

// The sharpness register value with gain (0..kGainMax) in place of the gain it carries.
constexpr std::int32_t withGain(std::int32_t sharpness, std::uint32_t gain) {
    return static_cast<std::int32_t>(gain << kGainShift) | (sharpness & kSharpnessOtherBits);
}

// The register of overlay i (0..3).
constexpr std::uint16_t overlayRegister(unsigned i) {
    return static_cast<std::uint16_t>(kRegOverlay1 + 2 * i);
}

// The value of overlay i's register: its number in the low byte and the on bit.
constexpr std::uint16_t overlayValue(unsigned i, bool shown) {
    return static_cast<std::uint16_t>((shown ? kOverlayShown : 0) | i);
}

// The white-balance registers that Push2White captures and Save stores, in capture order.
// The walk skips 0xAC06, 0xAC08, 0xAC20..0xAC30 and 0xAC34.
inline constexpr std::array<std::uint16_t, 28> kWhiteBalanceWalk = {
    0xAC00, 0xAC02, 0xAC04, 0xAC0A, 0xAC0C, 0xAC0E, 0xAC10, 0xAC12, 0xAC14, 0xAC16,
    0xAC18, 0xAC1A, 0xAC1C, 0xAC1E, 0xAC32, 0xAC36, 0xAC38, 0xAC3A, 0xAC3C, 0xAC3E,
    0xAC40, 0xAC42, 0xAC44, 0xAC46, 0xAC48, 0xAC4A, 0xAC4C, 0xAC4E,
};
inline constexpr std::size_t kWhiteBalanceRegisters = kWhiteBalanceWalk.size();

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
