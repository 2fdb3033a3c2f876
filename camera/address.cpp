// The address search and the address change.
#include "camera/address.h"

#include "io/hex.h"

namespace vorlix::camera {

std::optional<std::uint8_t> findCamera(I2cLink& link) {
    const std::uint16_t found = link.findCamera();
    if (!namesCamera(found)) return std::nullopt;
    return static_cast<std::uint8_t>(found);
}

std::string unfindableAddressText(std::uint8_t stored) {
    return "Address " + io::formatHex(stored) + " cannot be used: " + kUnfindableWhy +
           ". Nothing was written.";
}

std::string stillAnswersAt(std::uint8_t answersAt) {
    return "the camera still answers at " + io::formatHex(answersAt);
}

Result<std::uint8_t> changeAddress(I2cLink& link, std::uint8_t camAddr, std::uint8_t stored,
                                   const WriteGate& mayWrite,
                                   std::optional<std::uint8_t> answersAt) {
    Result<std::uint8_t> change;
    if (!findableAfterPowerUp(stored))
        return {.outcome = Outcome::Refused, .words = unfindableAddressText(stored)};
    if (!gatePasses(mayWrite, change)) return change;
    link.stopAtFirstFailure();
    link.camWrite8(camAddr, kAddressBank, kAddressOffset, stored);
    if (link.failed()) {
        change.outcome = Outcome::Failed;
        change.words =
            "The new address was not stored; " + stillAnswersAt(answersAt.value_or(camAddr));
        return change;
    }
    change.value = addressAfterPowerUp(stored);
    change.words =
        std::string(kRepowerText) + ": it answers at " + io::hexByte(change.value) + " after that";
    return change;
}

}  // namespace vorlix::camera
