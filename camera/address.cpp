// The address search and the address change.
#include "camera/address.h"

#include <cstdio>

namespace vorlix::camera {

std::optional<std::uint8_t> findCamera(I2cLink& link) {
    const std::uint16_t found = link.findCamera();
    if (!namesCamera(found)) return std::nullopt;
    return static_cast<std::uint8_t>(found);
}

std::string unfindableAddressText(std::uint8_t stored) {
    char text[120];
    std::snprintf(text, sizeof text, "Address %x cannot be used: %s. Nothing was written.",
                  static_cast<unsigned>(stored), kUnfindableWhy);
    return text;
}

AddressChange changeAddress(I2cLink& link, std::uint8_t camAddr, std::uint8_t stored,
                            const WriteGate& mayWrite) {
    AddressChange change;
    if (!findableAfterPowerUp(stored)) {
        change.result = AddressResult::Unfindable;
        change.whyNot = unfindableAddressText(stored);
        return change;
    }
    if (gateRefuses(mayWrite, change, AddressResult::Refused)) return change;
    link.stopAtFirstFailure();
    link.camWrite8(camAddr, kAddressBank, kAddressOffset, stored);
    if (link.failed()) {
        change.result = AddressResult::WriteFailed;
        return change;
    }
    change.result = AddressResult::Changed;
    change.address = addressAfterPowerUp(stored);
    return change;
}

}  // namespace vorlix::camera
