#pragma once
// The configuration EEPROM as a whole: the four banks read into one image (a backup's, a
// verification's), an image compared with a script, and an image written out as a QEF text
// that the script reader reads back to the same bytes. Reading stops at the first failed
// transfer, so an image is either complete or not there; nothing here writes to the camera.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "camera/result.h"
#include "eeprom/eeprom_tables.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

using EepromImage = std::array<std::uint8_t, eeprom::kEepromSize>;

// The backup made before a run's first EEPROM write: the file it went to and the bytes it
// holds, which are what the camera held just before. Programming that file restores the
// camera.
struct Backup {
    std::string path;
    EepromImage bytes{};
};

// What a window says while it reads the camera for the run's backup.
inline constexpr char kReadingForBackupText[] =
    "reading the camera's EEPROM (banks a0 to a6) for a backup before the first write";

// Reads the four banks byte by byte, bank 0xA0 first, through each bank's read form. progress
// is called after each byte with the count read so far. The link stops at its first failure
// from here on (its box tells the person which transfer failed); the result then fails with
// the words that name the byte.
Result<EepromImage> readEeprom(I2cLink& link, std::uint8_t camAddr,
                               const std::function<void(std::size_t)>& progress);

// One byte where the camera and a script disagree, by its offset from the start of bank 0xA0.
struct EepromDifference {
    std::size_t at = 0;
    std::uint8_t camera = 0;
    std::uint16_t file = 0;  // above 0xFF for a pair that is no hex byte

    std::size_t bank() const { return at / kBankSize; }
    std::size_t offset() const { return at % kBankSize; }
};

using eeprom::eepromPlace;

// Every entry 0..kEepromSize-1 of image that differs from the camera's byte, in order.
std::vector<EepromDifference> compareEeprom(const EepromImage& camera,
                                            const eeprom::ScriptImage& image);

// "bank a0 offset 10: camera ff, file 12": one difference as the person reads it.
std::string differenceLine(const EepromDifference& d);

// What a comparison of the camera with the script called name found.
struct Verification {
    EepromImage bytes{};                        // the four banks as read
    std::vector<EepromDifference> differences;  // in order; none when they are equal
};

// The words for a verification's verdict, after the file's name: "the EEPROM equals k300.qef",
// "2 bytes differ from k300.qef".
std::string verdictWords(const std::vector<EepromDifference>& differences, const char* same,
                         const std::string& name);

// Reads the four banks and compares them with image, writing nothing: Done when they are
// equal, Differs with every difference, Failed when a read failed.
Result<Verification> verifyEeprom(I2cLink& link, std::uint8_t camAddr,
                                  const eeprom::ScriptImage& image, const std::string& name,
                                  const std::function<void(std::size_t)>& progress);

// The QEF text of image: each line of header as a comment line ("// " before it), then one
// line of 16 lower-case hex pairs per page, a comment line naming each bank before it.
std::string qefText(const EepromImage& image, const std::vector<std::string>& header);

}  // namespace vorlix::camera
