// Direct EEPROM access.
#include "camera/direct_access.h"

#include "camera/address.h"

namespace vorlix::camera {

namespace {

constexpr std::uint8_t kReadFormBit = 0x01;

}  // namespace

std::uint16_t readEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                             std::uint8_t offset) {
    return link.camRead8(camAddr, static_cast<std::uint8_t>(bankForm | kReadFormBit), offset);
}

std::optional<std::string> writeEepromByte(I2cLink& link, std::uint8_t camAddr,
                                           std::uint8_t bankForm, std::uint8_t offset,
                                           std::uint8_t value, const WriteGate& mayWrite) {
    if (bankForm == kAddressBank && offset == kAddressOffset && !findableAfterPowerUp(value))
        return unfindableAddressText(value);
    if (auto refusal = askGate(mayWrite)) return refusal;
    link.camWrite8(camAddr, bankForm, offset, value);
    return std::nullopt;
}

}  // namespace vorlix::camera
