// The address search and the address change.
#include "camera/address.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "io/printable.h"

namespace vorlix::camera {

std::optional<std::uint8_t> findCamera(I2cLink& link) {
    const std::uint16_t found = link.findCamera();
    if (!namesCamera(found)) return std::nullopt;
    return static_cast<std::uint8_t>(found);
}

std::optional<std::uint8_t> typedAddress(const std::string& text) {
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    if (digits.empty() || digits.size() > 2) return std::nullopt;
    unsigned value = 0;
    const char* end = digits.data() + digits.size();
    if (std::from_chars(digits.data(), end, value, 16).ptr != end) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::string untypedAddressText(const std::string& text) {
    return "Address \"" + io::printable(text) +
           "\" cannot be used: give the new address as one or two hex digits (00 to ff). "
           "Nothing was written.";
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
