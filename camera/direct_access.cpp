// Direct register and EEPROM access.
#include "camera/direct_access.h"

#include "camera/address.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

constexpr std::uint8_t kReadFormBit = 0x01;

std::string failedWords(const char* doing, const std::string& place) {
    return std::string(doing) + " " + place + " failed";
}

}  // namespace

std::string registerPlace(std::uint16_t reg) {
    return "sensor register " + io::formatHex(reg, 4);
}

std::string bytePlace(std::uint8_t bankForm, std::uint8_t offset) {
    return "bank " + io::hexByte(static_cast<std::uint8_t>(bankForm & ~kReadFormBit)) + " offset " +
           io::hexByte(offset);
}

Result<std::uint16_t> readSensorRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg) {
    Result<std::uint16_t> read = doneWith(readRegister(link, camAddr, reg));
    if (link.takeError()) {
        read.outcome = Outcome::Failed;
        read.words = failedWords("reading", registerPlace(reg));
    }
    return read;
}

Result<> writeSensorRegister(I2cLink& link, std::uint8_t camAddr, std::uint16_t reg,
                             std::uint16_t value) {
    writeRegister(link, camAddr, reg, value);
    if (!link.takeError()) return {};
    return {.outcome = Outcome::Failed, .words = failedWords("writing", registerPlace(reg))};
}

Result<std::uint16_t> readEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                                     std::uint8_t offset) {
    Result<std::uint16_t> read = doneWith(
        link.camRead8(camAddr, static_cast<std::uint8_t>(bankForm | kReadFormBit), offset));
    if (link.takeError()) {
        read.outcome = Outcome::Failed;
        read.words = failedWords("reading", bytePlace(bankForm, offset));
    }
    return read;
}

std::string eepromByteProblem(std::uint8_t bankForm, std::uint8_t offset, std::uint8_t value) {
    if (bankForm == kAddressBank && offset == kAddressOffset && !findableAfterPowerUp(value))
        return unfindableAddressText(value);
    return {};
}

Result<> writeEepromByte(I2cLink& link, std::uint8_t camAddr, std::uint8_t bankForm,
                         std::uint8_t offset, std::uint8_t value, const WriteGate& mayWrite) {
    Result<> written;
    if (std::string problem = eepromByteProblem(bankForm, offset, value); !problem.empty())
        return {.outcome = Outcome::Refused, .words = std::move(problem)};
    if (!gatePasses(mayWrite, written)) return written;
    link.camWrite8(camAddr, bankForm, offset, value);
    if (link.takeError()) {
        written.outcome = Outcome::Failed;
        written.words = failedWords("writing", bytePlace(bankForm, offset));
    }
    return written;
}

}  // namespace vorlix::camera
