// Script programming and its read-back verification.
#include "camera/script_programming.h"

#include <algorithm>

#include "camera/eeprom_image.h"
#include "eeprom/script_reader.h"

namespace vorlix::camera {

namespace {

using eeprom::EepromTables;
using eeprom::kEepromSize;

// Parses path into the script image; false (with the reason in outcome) when it cannot be
// read. Keeps the tables' count of filled entries and tells how many this file filled.
bool parse(const std::string& path, EepromTables& tables, ProgrammingOutcome& outcome,
           ProgrammingResult refused) {
    std::size_t stored = 0;
    if (eeprom::readScriptFile(path, tables.scriptImage, outcome.whyNot, &stored)) {
        tables.filledEntries = std::max(tables.filledEntries, stored);
        outcome.entries = stored;
        return true;
    }
    outcome.result = refused;
    return false;
}

}  // namespace

// A file shorter than the EEPROM programs the tail from earlier files of this run; a tail
// that only the zero start image could fill is refused before anything is sent (a zero
// stored address would move the camera to the general-call address).
ProgrammingOutcome programScript(I2cLink& link, std::uint8_t camAddr, const std::string& path,
                                 EepromTables& tables,
                                 const std::function<void(ProgrammingProgress)>& progress,
                                 const WriteGate& mayWrite) {
    ProgrammingOutcome outcome;
    if (!parse(path, tables, outcome, ProgrammingResult::FileRefused)) return outcome;
    if (tables.filledEntries < kEepromSize) {
        outcome.result = ProgrammingResult::TooShort;
        return outcome;
    }
    if (gateRefuses(mayWrite, outcome, ProgrammingResult::Refused)) return outcome;

    progress(ProgrammingProgress::Writing);
    for (std::size_t k = 0; k < kBankCount; ++k) {
        for (unsigned p = 0; p < kBankSize; p += kPageEntries) {
            link.camWritePage(camAddr, bankWriteForm(k), static_cast<std::uint8_t>(p),
                              &tables.scriptImage[k * kBankSize + p], kPageEntries);
            if (const std::uint8_t error = static_cast<std::uint8_t>(link.takeError())) {
                outcome.result = ProgrammingResult::WriteFailed;
                outcome.error = error;
                return outcome;
            }
            link.pause(kEepromWritePauseMs);
            if (p % kPageProgressEvery == 0) progress(ProgrammingProgress::Step);
        }
    }

    progress(ProgrammingProgress::Verifying);
    // Compared against the file as it is now, not as it was when the banks were written.
    if (!parse(path, tables, outcome, ProgrammingResult::VerifyFileRefused)) return outcome;
    progress(ProgrammingProgress::Reading);
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

    // The whole entry is compared: an entry above 0xFF (a non-digit in the file) can never
    // match the byte it was written as, so the typo is reported here.
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

}  // namespace vorlix::camera
