// Script programming and its read-back verification.
#include "camera/script_programming.h"

#include "camera/address.h"
#include "camera/eeprom_image.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

using eeprom::kEepromSize;

constexpr std::size_t kStoredAddressEntry = 3 * kBankSize + kAddressOffset;
static_assert(bankWriteForm(kStoredAddressEntry / kBankSize) == kAddressBank);

std::string count(std::size_t done, std::size_t total, const char* what) {
    return std::to_string(done) + " of " + std::to_string(total) + " " + what;
}

// The end of a run whose banks are in run.value.readBack: Done, or Differs with every
// difference from the image.
Result<Programming> compared(const eeprom::ScriptImage& image, const std::string& name,
                             Result<Programming> run) {
    run.value.differences = compareEeprom(run.value.readBack, image);
    if (!run.value.differences.empty()) run.outcome = Outcome::Differs;
    const std::size_t pages = run.value.pagesWritten;
    run.words =
        verdictWords(run.value.differences,
                     pages == 0 ? "the EEPROM already equals" : "programmed and verified", name) +
        ": " + count(pages, kPageCount, "pages") + " written";
    return run;
}

}  // namespace

std::string programmingInterrupted(std::size_t pages, std::size_t total, bool verifying,
                                   const std::string& name) {
    if (verifying) return "interrupted while reading back: the EEPROM was written but not verified";
    if (pages == 0) return kInterruptedBeforeWriting;
    return "interrupted after " + count(pages, total, "pages") + ": the EEPROM holds part of " +
           name;
}

std::string imageProblem(const eeprom::ScriptImage& image) {
    const auto stored = static_cast<std::uint8_t>(image[kStoredAddressEntry]);
    if (findableAfterPowerUp(stored)) return {};
    return "the byte for " + eepromPlace(kStoredAddressEntry) + " is " + io::hexByte(stored) +
           ", the camera's address after its next power-up, where the search could never find "
           "it (" +
           kUnfindableWhy + ")";
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

Result<Programming> programScript(I2cLink& link, std::uint8_t camAddr,
                                  const eeprom::ScriptImage& image, const std::string& name,
                                  const std::function<void(ProgrammingProgress)>& progress,
                                  const WriteGate& mayWrite, const EepromImage* baseline) {
    Result<Programming> run;
    if (std::string problem = imageProblem(image); !problem.empty())
        return {.outcome = Outcome::Refused, .words = std::move(problem)};
    if (!gatePasses(mayWrite, run)) return run;

    std::vector<std::size_t> pages;
    if (baseline != nullptr) {
        pages = differingPages(*baseline, image);
        if (pages.empty()) {
            run.value.readBack = *baseline;
            return compared(image, name, std::move(run));
        }
    } else {
        for (std::size_t page = 0; page < kPageCount; ++page) pages.push_back(page);
    }

    progress(ProgrammingProgress::Writing);
    for (const std::size_t page : pages) {
        const std::size_t k = page * kPageEntries / kBankSize;
        const unsigned p = static_cast<unsigned>(page * kPageEntries % kBankSize);
        link.camWritePage(camAddr, bankWriteForm(k), static_cast<std::uint8_t>(p),
                          &image[k * kBankSize + p], kPageEntries);
        if (link.takeError()) {
            run.outcome = Outcome::Failed;
            run.words = "a page write failed: the EEPROM is written only in part";
            return run;
        }
        link.pause(kEepromWritePauseMs);
        ++run.value.pagesWritten;
        progress(ProgrammingProgress::Page);
        if (p % kPageProgressEvery == 0) progress(ProgrammingProgress::Step);
    }

    // Compared against the image that was written: the bytes the person's file gave when it
    // was read, not whatever the file holds by now.
    run.value.verifying = true;
    progress(ProgrammingProgress::Verifying);
    for (std::size_t n = 0; n < kEepromSize; ++n) {
        run.value.readBack[n] = static_cast<std::uint8_t>(link.camRead8(
            camAddr, bankReadForm(n / kBankSize), static_cast<std::uint8_t>(n % kBankSize)));
        if (link.takeError()) {
            run.outcome = Outcome::Failed;
            run.words = "reading back failed: the EEPROM was written but not verified";
            return run;
        }
        if (n % kReadBackProgressEvery == 0) progress(ProgrammingProgress::Step);
    }
    return compared(image, name, std::move(run));
}

}  // namespace vorlix::camera
