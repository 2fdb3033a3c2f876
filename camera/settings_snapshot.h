#pragma once
// The settings snapshot: the panel's current settings as a list of sensor register records
// that the camera applies from the start of its settings area in bank 0xA0, and the erase of
// that area. Nothing in front of the settings area is ever addressed.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_map.h"
#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// One past the last offset of the settings bank.
inline constexpr int kSettingsAreaEnd = static_cast<int>(kBankSize);
inline constexpr std::size_t kRecordBytes = 4;
inline constexpr unsigned kSettlePauseMs = 100;  // between the erase and the script
inline constexpr std::uint16_t kErasedEntry = 0x00FF;

// What a snapshot is made of.
struct SettingsInput {
    std::uint16_t projection = 0;  // register 0x301C as read by this Save (saveSettings reads it)
    std::uint16_t companion = 0;   // register 0x3254 as read by this Save (saveSettings reads it)
    // False when the values below (but the projection pair) are start values that no read of
    // the camera replaced: such a snapshot is refused, since it would store values nobody read.
    bool valuesRead = true;
    bool autoWhiteBalance = false;
    // The captured Push2White registers; stored only when the automatic white balance is off,
    // and then only once a capture of the held white point read them all.
    std::array<std::uint16_t, kWhiteBalanceRegisters> whiteBalance{};
    bool whiteBalanceCaptured = true;
    bool overlaysEnabled = false;
    std::array<bool, 4> overlayShown{};  // overlays 1..4
    std::int32_t sharpReg = 0;
    bool manualExposure = false;
    std::int32_t shutter = 0;
    std::int32_t aexRef = 0;
};

// One record: register high, register low, value high, value low.
struct SettingsRecord {
    std::uint16_t reg;
    std::uint16_t value;
    bool advancesProgress = true;  // the record for disabled overlays is written without steps
};

// The records in the order they are stored: projection, white balance (when the automatic
// white balance is off), overlays, sharpness, exposure. 24 to 156 bytes.
std::vector<SettingsRecord> settingsScript(const SettingsInput& in);

// The bytes of a record, in the order they are stored.
std::array<std::uint8_t, kRecordBytes> recordBytes(const SettingsRecord& record);

// Empty when length bytes fit from offset to the end of the settings bank, else the words that
// tell the person why nothing is written. saveSettings asks it first.
std::string settingsFitProblem(int offset, std::size_t length);

// The settings the camera runs with now, as the read-back reads them, with a white balance
// that is held captured: the snapshot of a camera that no person set up in a window. The link
// stops at its first failure; the result then fails with words that say which read failed.
Result<SettingsInput> readSettings(I2cLink& link, std::uint8_t camAddr);

// How far a Save got, for its words and for the words of an interrupt that ends it.
struct SaveProgressCount {
    std::size_t erased = 0;   // pages of the settings area erased
    std::size_t pages = 0;    // pages the erase writes
    bool pairRead = false;    // the projection pair was read: the snapshot was whole from then on
    std::size_t written = 0;  // bytes of the script written
    std::size_t length = 0;   // bytes of the whole script
};

// The moments of a Save that a progress display follows.
enum class SaveProgress {
    Starting,  // every check passed: the save is about to ask the gate and erase
    Step,      // an erased page, or a script byte of a record that advances the progress
    Erased,    // a page of the settings area is erased (before its Step)
    Written,   // a byte of the script went in (before its Step where it has one)
};

// Stores the snapshot of in at offset (0..0xFF, as the offset edit limits it) in bank 0xA0.
// Refused before anything is sent, in this order: a snapshot that does not fit in front of the
// end of the bank, one whose values were not read, one whose held white balance was not
// captured. Then the gate is asked; then the settings area is erased from offset on, the
// EEPROM settles, the projection pair (0x301C, 0x3254) is read from the camera into the
// snapshot in place of in's, and the records are written byte by byte, each followed by the
// EEPROM write pause. The link stops at the first failed transfer and the result says where.
// Its value is how far it got.
Result<SaveProgressCount> saveSettings(I2cLink& link, std::uint8_t camAddr, int offset,
                                       SettingsInput in,
                                       const std::function<void(SaveProgress)>& progress,
                                       const WriteGate& mayWrite = {});

// The words of an interrupt that ends a Save at a safe point, from how far it got.
std::string saveInterrupted(const SaveProgressCount& count);

// How many times a save of in at offset that goes through runs its step.
std::size_t saveSteps(int offset, const SettingsInput& in);

// How many pages the erase of the settings area from offset on writes (the last one byte by
// byte where a whole page would wrap).
std::size_t erasePages(int offset);

// Erases the settings area from offset (0..0xFF) on and then clears the stored camera
// address, so the camera answers at the default address after its next power-up (the value);
// until then it still answers at answersAt (camAddr unless an earlier change of the run moved
// it), as the words of a failure say. The link stops at the first failed transfer.
//
// The erase writes 16-byte pages of 0xFF from the offset on, whether or not it is a multiple
// of 16, each followed by the EEPROM write pause. No page starts at 0xFF. A page that would
// reach past 0xFF (it would wrap onto the start of the bank) is erased up to 0xFF byte by
// byte, each byte followed by the pause. Save erases the same way. pageErased runs once per
// page that went through.
Result<std::uint8_t> eraseSettings(I2cLink& link, std::uint8_t camAddr, int offset,
                                   const WriteGate& mayWrite = {},
                                   const std::function<void()>& pageErased = {},
                                   std::optional<std::uint8_t> answersAt = std::nullopt);

// What the window asks before it erases from offset: the area, and the stored address.
std::string eraseWarning(std::uint8_t offset);

// The words of an interrupt that ends an erase at a safe point: erased of pages went through.
std::string eraseInterrupted(std::size_t erased, std::size_t pages);

}  // namespace vorlix::camera
