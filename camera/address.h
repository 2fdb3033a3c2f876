#pragma once
// The camera's address: the search that finds it on the bus, and the change of the address
// that the camera keeps in its EEPROM and takes at its next power-up.
#include <cstdint>
#include <optional>
#include <string>

#include "camera/camera_map.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// Why findableAfterPowerUp refuses an address, in words.
inline constexpr char kUnfindableWhy[] =
    "ba and bb belong to the image sensor and fa to fe are never searched";

// The box for a stored address that findableAfterPowerUp refuses: nothing was written.
std::string unfindableAddressText(std::uint8_t stored);

// An address as the person types it: one or two hex digits, optionally after 0x. Nothing for
// anything else (empty, other characters, more than ff, a sign, spaces): such a text names no
// address, and storing what a lenient reading makes of it would move the camera somewhere
// nobody asked for.
std::optional<std::uint8_t> typedAddress(const std::string& text);

// The box for a typed text that typedAddress refuses: nothing was written.
std::string untypedAddressText(const std::string& text);

// The address the camera answered at, or nothing after the link's one box that no valid
// address was found (the link's kNoCameraFound then stands for it).
std::optional<std::uint8_t> findCamera(I2cLink& link);

enum class AddressResult {
    Changed,      // stored; the camera answers at `address` after its next power-up
    Unfindable,   // the search could never find the camera again; nothing was sent
    Refused,      // the write gate refused; nothing was sent
    WriteFailed,  // not stored; the camera still answers at its old address
};

struct AddressChange {
    AddressResult result = AddressResult::Changed;
    std::string whyNot;        // Unfindable, Refused: the text for the person
    std::uint8_t address = 0;  // Changed: where the camera answers after its next power-up
};

// Stores stored as the camera's address (an odd value too: the camera ignores bit 0; ff
// means "none stored", after which it answers at the default address). An address that the
// search could never find again is refused before anything is sent. The link stops at the
// first failed transfer.
AddressChange changeAddress(I2cLink& link, std::uint8_t camAddr, std::uint8_t stored,
                            const WriteGate& mayWrite = {});

}  // namespace vorlix::camera
