#pragma once
// Programming the four configuration EEPROM banks from a script image, and the verification
// that reads them back and compares them with that same image. A run stops at the first page
// write or read-back byte that fails and tells how it ended as a value; progress goes out
// through a callback. The image comes from the script loader (eeprom/script_file.h): nothing
// here opens a file, and nothing here knows whether a script filled the whole image (the
// front ends refuse one that did not).
#include <cstddef>
#include <cstdint>
#include <functional>
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

// What a run did, whichever way it ended.
struct Programming {
    std::size_t pagesWritten = 0;  // the pages that went through
    bool verifying = false;        // it got to its read-back: a failure then was the read-back's
    // Done and Differs: the four banks as read back (the baseline, when no page differed).
    EepromImage readBack{};
    std::vector<EepromDifference> differences;  // Differs: every one, in order
};

// The words of an interrupt that ends a run at a safe point, from how far it got: pages of
// total written (counted as they went through) of the script called name, or its read-back
// under way.
std::string programmingInterrupted(std::size_t pages, std::size_t total, bool verifying,
                                   const std::string& name);

// Why an image must not be programmed although every pair of it is a hex byte: its byte for
// the stored camera address names an address the search could never find, so after the next
// power-up the camera would be lost (and its backup could not be programmed back). Empty when
// the image may be programmed.
std::string imageProblem(const eeprom::ScriptImage& image);

inline constexpr std::size_t kPageCount = eeprom::kEepromSize / kPageEntries;

// The pages (by their number from the start of bank 0xA0, 0..63) whose bytes in image differ
// from baseline, in the order they are written.
std::vector<std::size_t> differingPages(const EepromImage& baseline,
                                        const eeprom::ScriptImage& image);

// Writes entries 0..1023 of image (the script called name, for the words) into the four banks
// and, when every page went through, reads them back and compares them with the image: Done
// when every byte equals its entry, Differs, or Failed at the first page write or read-back
// byte that failed. An image that imageProblem refuses is Refused before anything is sent (its
// words are for after the script's name). The gate is asked then, before the first page.
//
// Given a baseline (the EEPROM as read just before, by the caller), only the pages that differ
// from it are written, each as it would be in the full run; when one was, all 1024 bytes are
// read back, so that a write that went astray elsewhere is caught too. When none differs,
// nothing is sent: the baseline is the read-back and the verification.
Result<Programming> programScript(I2cLink& link, std::uint8_t camAddr,
                                  const eeprom::ScriptImage& image, const std::string& name,
                                  const std::function<void(ProgrammingProgress)>& progress,
                                  const WriteGate& mayWrite = {},
                                  const EepromImage* baseline = nullptr);

}  // namespace vorlix::camera
