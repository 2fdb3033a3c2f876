#pragma once
// Programming the four configuration EEPROM banks from a script image, and the verification
// that reads them back and compares them with that same image. A run stops at the first page
// write or read-back byte that fails and tells how it ended as a value; progress goes out
// through a callback. The image comes from the script loader (eeprom/script_file.h): nothing
// here opens a file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/eeprom_image.h"
#include "camera/write_gate.h"
#include "eeprom/eeprom_tables.h"
#include "link/i2c_link.h"

namespace vorlix::camera {

// The moments of a run that a progress display follows, in the order they come.
enum class ProgrammingProgress {
    Writing,    // the pages are about to be written
    Verifying,  // every page went through; the banks are about to be read back
    Step,       // one step of writing (every third page) or reading (every second byte)
    Page,       // a page went through (every page, before its Step where it has one)
};

// A Step at each page written whose offset is a multiple of 3 (0, 48, ... 240), six per bank
// when every page goes out. The read-back steps at every second byte.
inline constexpr unsigned kPageProgressEvery = 3;
inline constexpr std::size_t kReadBackProgressEvery = 2;

// How many Steps a run that writes every page and goes through takes while writing, and while
// reading back.
constexpr std::size_t writingSteps() {
    std::size_t steps = 0;
    for (std::size_t p = 0; p < kBankSize; p += kPageEntries) steps += p % kPageProgressEvery == 0;
    return steps * kBankCount;
}
inline constexpr std::size_t kReadingSteps = eeprom::kEepromSize / kReadBackProgressEvery;

// How a run ended.
enum class ProgrammingResult {
    Verified,        // every byte read back equals the image's entry
    TooShort,        // the image leaves entries to the zero start image; nothing was sent
    Unfindable,      // the image's stored address would lose the camera; nothing was sent
    Refused,         // the write gate refused; nothing was sent
    WriteFailed,     // a page write failed; the run stopped there
    ReadBackFailed,  // a read-back byte failed; nothing was compared
    Differs,         // the banks were read back but differ from the image
};

struct ProgrammingOutcome {
    ProgrammingResult result = ProgrammingResult::Verified;
    std::string whyNot;      // Unfindable: why, for after the script's name; Refused: the gate's
    std::uint8_t error = 0;  // WriteFailed, ReadBackFailed: the link's error latch
    // Differs: the first difference, by its offset from the start of bank 0xA0.
    std::size_t at = 0;
    std::uint16_t camera = 0;  // the byte read back
    std::uint16_t file = 0;    // the file's entry (above 0xFF for a non-digit in the file)
    std::size_t pagesWritten = 0;  // the pages that went through

    // True when the banks were read back (whether or not they matched).
    bool readBack() const {
        return result == ProgrammingResult::Verified || result == ProgrammingResult::Differs;
    }
};

// Why an image must not be programmed although every pair of it is a hex byte: its byte for
// the stored camera address names an address the search could never find, so after the next
// power-up the camera would be lost (and its backup could not be programmed back). Nothing
// when the image may be programmed.
std::optional<std::string> imageProblem(const eeprom::ScriptImage& image);

inline constexpr std::size_t kPageCount = eeprom::kEepromSize / kPageEntries;

// The pages (by their number from the start of bank 0xA0, 0..63) whose bytes in image differ
// from baseline, in the order they are written.
std::vector<std::size_t> differingPages(const EepromImage& baseline,
                                        const eeprom::ScriptImage& image);

// Writes entries 0..1023 of tables.scriptImage into the four banks and, when every page went
// through, reads them back into tables.readBackBuf and compares them with the image. An image
// that leaves entries 0..1023 to the zero start image (tables.filledEntries: no script of this
// run filled them) or that imageProblem refuses ends the run before anything is sent. The gate
// is asked then, before the first page.
//
// Given a baseline (the EEPROM as read just before; it is looked at only once the gate let the
// run write, so the gate may be what fills it), only the pages that differ
// from it are written, each as it would be in the full run; when one was, all 1024 bytes are
// read back, so that a write that went astray elsewhere is caught too. When none differs,
// nothing is sent: the baseline is the read-back (tables.readBackBuf) and the verification.
ProgrammingOutcome programScript(I2cLink& link, std::uint8_t camAddr, eeprom::EepromTables& tables,
                                 const std::function<void(ProgrammingProgress)>& progress,
                                 const WriteGate& mayWrite = {},
                                 const EepromImage* baseline = nullptr);

}  // namespace vorlix::camera
