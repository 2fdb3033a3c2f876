#pragma once
// The camera's address: the search that finds it on the bus, and the change of the address
// that the camera keeps in its EEPROM and takes at its next power-up.
#include <cstdint>
#include <optional>
#include <string>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// Why findableAfterPowerUp refuses an address, in words.
inline constexpr char kUnfindableWhy[] =
    "ba and bb belong to the image sensor and fa to fe are never searched";

// What the person must do once the camera stored a new address (the box of the window).
inline constexpr char kRepowerText[] = "You MUST re-power camera now";

// The words for a stored address that findableAfterPowerUp refuses: nothing was written.
std::string unfindableAddressText(std::uint8_t stored);

// The address the camera answered at, or nothing after the link's one box that no valid
// address was found (the link's kNoCameraFound then stands for it).
std::optional<std::uint8_t> findCamera(I2cLink& link);

// "the camera still answers at 70": how a failed EEPROM write ends its words, naming the
// address the camera answers at until its next power-up.
std::string stillAnswersAt(std::uint8_t answersAt);

// Stores stored as the camera's address (an odd value too: the camera ignores bit 0; ff
// means "none stored", after which it answers at the default address). Its value is where the
// camera answers after its next power-up. An address that the search could never find again
// is refused before anything is sent. The link stops at the first failed transfer; the words
// then name answersAt, where the camera still answers (camAddr unless an earlier change of the
// run moved it).
Result<std::uint8_t> changeAddress(I2cLink& link, std::uint8_t camAddr, std::uint8_t stored,
                                   const WriteGate& mayWrite = {},
                                   std::optional<std::uint8_t> answersAt = std::nullopt);

}  // namespace vorlix::camera
