// The configuration EEPROM as one image.
#include "camera/eeprom_image.h"

#include "io/hex.h"

namespace vorlix::camera {

EepromRead readEeprom(I2cLink& link, std::uint8_t camAddr,
                      const std::function<void(std::size_t)>& progress) {
    link.stopAtFirstFailure();
    EepromRead read;
    for (std::size_t n = 0; n < read.bytes.size(); ++n) {
        const std::uint16_t byte = link.camRead8(camAddr, bankReadForm(n / kBankSize),
                                                 static_cast<std::uint8_t>(n % kBankSize));
        if (link.takeError()) return read;
        read.bytes[n] = static_cast<std::uint8_t>(byte);
        read.count = n + 1;
        progress(read.count);
    }
    return read;
}

std::vector<EepromDifference> compareEeprom(const EepromImage& camera,
                                            const eeprom::ScriptImage& image) {
    std::vector<EepromDifference> differences;
    for (std::size_t n = 0; n < camera.size(); ++n) {
        if (camera[n] != image[n]) differences.push_back({n, camera[n], image[n]});
    }
    return differences;
}

std::string qefText(const EepromImage& image, const std::vector<std::string>& header) {
    std::string text;
    for (const std::string& line : header) text += "// " + line + "\n";
    for (std::size_t n = 0; n < image.size(); n += kPageEntries) {
        if (n % kBankSize == 0)
            text += "// bank " + io::hexByte(bankWriteForm(n / kBankSize)) + "\n";
        for (std::size_t i = 0; i < kPageEntries; ++i) {
            text += io::hexByte(image[n + i]);
            text += i + 1 < kPageEntries ? ' ' : '\n';
        }
    }
    return text;
}

}  // namespace vorlix::camera
