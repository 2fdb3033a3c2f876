// The configuration EEPROM as one image.
#include "camera/eeprom_image.h"

#include "io/hex.h"

namespace vorlix::camera {

Result<EepromImage> readEeprom(I2cLink& link, std::uint8_t camAddr,
                               const std::function<void(std::size_t)>& progress) {
    link.stopAtFirstFailure();
    Result<EepromImage> read;
    for (std::size_t n = 0; n < read.value.size(); ++n) {
        const std::uint16_t byte = link.camRead8(camAddr, bankReadForm(n / kBankSize),
                                                 static_cast<std::uint8_t>(n % kBankSize));
        if (link.takeError())
            return {.outcome = Outcome::Failed,
                    .words = "reading the EEPROM failed at " + eepromPlace(n)};
        read.value[n] = static_cast<std::uint8_t>(byte);
        progress(n + 1);
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

std::string differenceLine(const EepromDifference& d) {
    return eepromPlace(d.at) + ": camera " + io::hexByte(d.camera) + ", file " +
           io::formatHex(d.file);
}

std::string verdictWords(const std::vector<EepromDifference>& differences, const char* same,
                         const std::string& name) {
    if (differences.empty()) return std::string(same) + " " + name;
    return std::to_string(differences.size()) +
           (differences.size() == 1 ? " byte differs" : " bytes differ") + " from " + name;
}

Result<Verification> verifyEeprom(I2cLink& link, std::uint8_t camAddr,
                                  const eeprom::ScriptImage& image, const std::string& name,
                                  const std::function<void(std::size_t)>& progress) {
    Result<EepromImage> read = readEeprom(link, camAddr, progress);
    if (!read) return endedBy<Verification>(read);
    Result<Verification> verified =
        doneWith(Verification{read.value, compareEeprom(read.value, image)});
    verified.words = verdictWords(verified.value.differences, "the EEPROM equals", name);
    if (!verified.value.differences.empty()) verified.outcome = Outcome::Differs;
    return verified;
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
