// Script programming and its read-back verification.
#include "camera/script_programming.h"

#include <algorithm>

#include "camera/address.h"
#include "camera/eeprom_image.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

using eeprom::EepromTables;
using eeprom::kEepromSize;

constexpr std::size_t kStoredAddressEntry = 3 * kBankSize + kAddressOffset;
static_assert(bankWriteForm(kStoredAddressEntry / kBankSize) == kAddressBank);

// The outcome of a run whose banks are in tables.readBackBuf: Verified, or Differs at the first
// difference from the image.
ProgrammingOutcome compared(const EepromTables& tables, ProgrammingOutcome outcome) {
    const std::vector<EepromDifference> differences =
        compareEeprom(tables.readBackBuf, tables.scriptImage);
    if (differences.empty()) {
        outcome.result = ProgrammingResult::Verified;
        return outcome;
    }
    const EepromDifference& first = differences.front();
    outcome.result = ProgrammingResult::Differs;
    outcome.at = first.at;
    outcome.camera = first.camera;
    outcome.file = first.file;
    return outcome;
}

}  // namespace

std::optional<std::string> imageProblem(const eeprom::ScriptImage& image) {
    const auto stored = static_cast<std::uint8_t>(image[kStoredAddressEntry]);
    if (findableAfterPowerUp(stored)) return std::nullopt;
    return "the byte for " + eepromPlace(kStoredAddressEntry) + " is " + io::hexByte(stored) +
           ", the camera's address after its next power-up, where the search could never find "
           "it (" + kUnfindableWhy + ")";
}

std::vector<std::size_t> differingPages(const EepromImage& baseline,
                                        const eeprom::ScriptImage& image) {
    std::vector<std::size_t> pages;
    for (std::size_t page = 0; page < kPageCount; ++page) {
        for (std::size_t n = page * kPageEntries; n < (page + 1) * kPageEntries; ++n) {
            if (baseline[n] != image[n]) {
                pages.push_back(page);
                break;
            }
        }
    }
    return pages;
}

// A file shorter than the EEPROM programs the tail from earlier files of this run; a tail
// that only the zero start image could fill is refused before anything is sent (a zero
// stored address would move the camera to the general-call address).
ProgrammingOutcome programScript(I2cLink& link, std::uint8_t camAddr, EepromTables& tables,
                                 const std::function<void(ProgrammingProgress)>& progress,
                                 const WriteGate& mayWrite, const EepromImage* baseline) {
    ProgrammingOutcome outcome;
    if (tables.filledEntries < kEepromSize) {
        outcome.result = ProgrammingResult::TooShort;
        return outcome;
    }
    if (std::optional<std::string> problem = imageProblem(tables.scriptImage)) {
        outcome.result = ProgrammingResult::Unfindable;
        outcome.whyNot = std::move(*problem);
        return outcome;
    }
    if (gateRefuses(mayWrite, outcome, ProgrammingResult::Refused)) return outcome;

    std::vector<std::size_t> pages;
    if (baseline != nullptr) {
        pages = differingPages(*baseline, tables.scriptImage);
        if (pages.empty()) {
            std::copy(baseline->begin(), baseline->end(), tables.readBackBuf.begin());
            return compared(tables, outcome);
        }
    } else {
        for (std::size_t page = 0; page < kPageCount; ++page) pages.push_back(page);
    }

    progress(ProgrammingProgress::Writing);
    for (const std::size_t page : pages) {
        const std::size_t k = page * kPageEntries / kBankSize;
        const unsigned p = static_cast<unsigned>(page * kPageEntries % kBankSize);
        link.camWritePage(camAddr, bankWriteForm(k), static_cast<std::uint8_t>(p),
                          &tables.scriptImage[k * kBankSize + p], kPageEntries);
        if (const std::uint8_t error = static_cast<std::uint8_t>(link.takeError())) {
            outcome.result = ProgrammingResult::WriteFailed;
            outcome.error = error;
            return outcome;
        }
        link.pause(kEepromWritePauseMs);
        ++outcome.pagesWritten;
        progress(ProgrammingProgress::Page);
        if (p % kPageProgressEvery == 0) progress(ProgrammingProgress::Step);
    }

    // Compared against the image that was written: the bytes the person's file gave when it
    // was read, not whatever the file holds by now.
    progress(ProgrammingProgress::Verifying);
    for (std::size_t n = 0; n < kEepromSize; ++n) {
        tables.readBackBuf[n] = static_cast<std::uint8_t>(link.camRead8(
            camAddr, bankReadForm(n / kBankSize), static_cast<std::uint8_t>(n % kBankSize)));
        if (const std::uint8_t error = static_cast<std::uint8_t>(link.takeError())) {
            outcome.result = ProgrammingResult::ReadBackFailed;
            outcome.error = error;
            return outcome;
        }
        if (n % kReadBackProgressEvery == 0) progress(ProgrammingProgress::Step);
    }

    return compared(tables, outcome);
}

}  // namespace vorlix::camera
