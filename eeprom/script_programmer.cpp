// Script programming and its read-back verification.
#include "eeprom/script_programmer.h"

#include <algorithm>
#include <cstdio>

#include "eeprom/script_reader.h"

namespace vorlix::eeprom {

namespace {

// Every page of every bank goes out; a progress step at the pages whose offset is a
// multiple of 3 (0, 48, ... 240), six per bank.
constexpr unsigned kPageProgressEvery = 3;
// The read-back steps the bar at every second byte.
constexpr std::size_t kReadBackProgressEvery = 2;

}  // namespace

ScriptProgrammer::ScriptProgrammer(const Bus& bus, frame::Host& host,
                                   frame::CProgressCtrl& progress, EepromTables& tables,
                                   std::uint8_t camAddr, std::uint8_t& lastError)
    : link_(bus),
      host_(host),
      progress_(progress),
      tables_(tables),
      camAddr_(camAddr),
      lastError_(lastError) {}

// A file shorter than the EEPROM programs the tail from earlier files of this run; a tail
// that only the zero start image could fill is refused before anything is sent (a zero
// stored address would move the camera to the general-call address).
void ScriptProgrammer::run(const std::string& path) {
    std::size_t entries = 0;
    if (!parse(path, &entries)) return;
    if (tables_.filledEntries < kEepromSize) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "The script file has %zu entries; the EEPROM needs %zu. Nothing was "
                      "programmed.",
                      entries, kEepromSize);
        host_.messageBox(text);
        return;
    }
    progress_.SetStep(1);
    programScript(path);
}

bool ScriptProgrammer::parse(const std::string& path, std::size_t* entries) {
    std::string whyNot;
    std::size_t stored = 0;
    if (readScriptFile(path, tables_.scriptImage, whyNot, &stored)) {
        tables_.filledEntries = std::max(tables_.filledEntries, stored);
        if (entries) *entries = stored;
        return true;
    }
    host_.messageBox(whyNot);
    return false;
}

void ScriptProgrammer::programScript(const std::string& path) {
    for (std::size_t k = 0; k < kBankCount; ++k) {
        for (unsigned p = 0; p < kBankSize; p += kPageEntries) {
            link_.camWritePage(camAddr_, bankWriteForm(k), static_cast<std::uint8_t>(p),
                               &tables_.scriptImage[k * kBankSize + p], kPageEntries);
            lastError_ = link_.takeError();
            if (lastError_) {
                // The text says 0xa2 whichever bank failed: it stays as technicians know it.
                host_.messageBox("error during writing to 0xa2 (QEF-EEprom), action stopped!");
                return;
            }
            link_.pause(kEepromWritePauseMs);
            if (p % kPageProgressEvery == 0) progress_.StepIt();
        }
    }
    verifyScript(path);
}

void ScriptProgrammer::verifyScript(const std::string& path) {
    progress_.SetRange(kRunProgressMin, kRunProgressMax);
    // Compared against the file as it is now, not as it was when the banks were written.
    if (!parse(path)) return;
    progress_.SetStep(1);
    const bool failed = readBackScript();
    progress_.SetPos(0);
    lastError_ = 0;
    if (!failed) compareScript();
}

bool ScriptProgrammer::readBackScript() {
    for (std::size_t n = 0; n < kEepromSize; ++n) {
        const std::uint8_t readForm = bankReadForm(n / kBankSize);
        tables_.readBackBuf[n] = static_cast<std::uint8_t>(
            link_.camRead8(camAddr_, readForm, static_cast<std::uint8_t>(n % kBankSize)));
        lastError_ = link_.takeError();
        if (lastError_) {
            host_.messageBox("error during Reading back from QEF EEProm ");
            return true;
        }
        if (n % kReadBackProgressEvery == 0) progress_.StepIt();
    }
    return false;
}

void ScriptProgrammer::compareScript() {
    for (std::size_t n = 0; n < kEepromSize; ++n) {
        // The whole entry is compared: an entry above 0xFF (a non-digit in the file) can never
        // match the byte it was written as, so the typo is reported here.
        const std::uint16_t byte = tables_.readBackBuf[n];
        const std::uint16_t entry = tables_.scriptImage[n];
        if (byte != entry) {
            char text[60];
            std::snprintf(text, sizeof text, "QEF file in EEprom corrupt; addr %x: %x %x ",
                          static_cast<unsigned>(n), static_cast<unsigned>(byte),
                          static_cast<unsigned>(entry));
            host_.messageBox(text);
            return;
        }
    }
}

}  // namespace vorlix::eeprom
