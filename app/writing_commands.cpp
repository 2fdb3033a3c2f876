// The commands that write the camera's EEPROM: program, save-settings, erase-settings,
// set-address. Each backs the camera up first (unless --no-backup), and keeps the line that an
// interrupt would end it with true as it goes: how far it got, and how to restore.
#include <string>

#include "app/command_bodies.h"
#include "camera/address.h"
#include "camera/eeprom_image.h"
#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "io/hex.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

// What the camera holds after a stop, as the failures and the interruptions say it.
constexpr char kWrittenNotVerified[] = "the EEPROM was written but not verified";
constexpr char kAddressAsItWas[] = "the stored address is as it was";

std::string count(std::size_t done, std::size_t total, const char* what) {
    return std::to_string(done) + " of " + std::to_string(total) + " " + what;
}

std::string interruptedErasing(std::size_t erased, std::size_t pages) {
    return "interrupted after " + count(erased, pages, "pages") +
           " of the erase: the settings area is erased in part";
}

// --offset as typed; 00 when it was left out.
std::optional<std::string> readOffset(const Command& command, CommandInput& input) {
    if (command.offsetGiven && command.offset.empty())
        return "--offset needs a value: the offset in bank a0 as a hex byte (00 to ff), or "
               "leave the option out for 00";
    if (command.offset.empty()) return std::nullopt;
    const std::optional<std::uint8_t> offset = io::parseHexByte(command.offset);
    if (!offset)
        return "--offset " + io::printable(command.offset) +
               ": give the offset in bank a0 as a hex byte (00 to ff)";
    input.offset = *offset;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> checkProgram(const Options& options, CommandInput& input) {
    if (const std::optional<std::string> why = checkFileNamed(options.command)) return why;
    return readWholeScript(options.command.file, true, input);
}

std::optional<std::string> checkSaveSettings(const Options& options, CommandInput& input) {
    return readOffset(options.command, input);
}

std::optional<std::string> checkEraseSettings(const Options& options, CommandInput& input) {
    if (const std::optional<std::string> why = readOffset(options.command, input)) return why;
    if (!options.command.yes)
        return "erase-settings erases bank a0 from the offset on and the stored camera address; "
               "add --yes to do it";
    return std::nullopt;
}

std::optional<std::string> checkSetAddress(const Options& options, CommandInput& input) {
    const std::string& typed = options.command.newAddress;
    const std::optional<std::uint8_t> address = io::parseHexByte(typed);
    if (!address)
        return "set-address " + io::printable(typed) +
               ": give the new address as a hex byte (00 to ff)";
    if (!findableAfterPowerUp(*address))
        return "set-address " + io::hexByte(*address) +
               ": the search could never find the camera " + "there (" + camera::kUnfindableWhy +
               ")";
    input.newAddress = *address;
    return std::nullopt;
}

// Only the pages that differ from the camera are written (every one with --all-pages): the
// backup's read is the baseline, or with --no-backup a read of its own.
int runProgram(CommandRun& run) {
    run.record().setScript(run.input().scriptPath, run.input().scriptSha256);
    const bool allPages = run.command().allPages;
    std::size_t pages = 0, total = camera::kPageCount;
    bool verifying = false;
    run.whenInterrupted([&run, &pages, &total, &verifying] {
        if (verifying)
            return "interrupted while reading back: " + std::string(kWrittenNotVerified) +
                   run.restoreHint();
        if (pages == 0) return std::string(kNothingWritten);
        return "interrupted after " + count(pages, total, "pages") + ": the EEPROM holds part of " +
               io::printable(run.command().file) + run.restoreHint();
    });
    I2cLink link(run.bus());
    eeprom::EepromTables tables;
    tables.scriptImage = run.input().script;
    tables.filledEntries = eeprom::kEepromSize;
    camera::EepromImage baseline{};
    camera::WriteGate gate = run.backupGate();
    if (!allPages) {
        gate = [&run, &link, &baseline,
                backupGate = std::move(gate)]() -> std::optional<std::string> {
            if (std::optional<std::string> refusal = camera::askGate(backupGate)) return refusal;
            if (run.backup()) {
                baseline = run.backup()->bytes;
                return std::nullopt;
            }
            run.progress().start("read", eeprom::kEepromSize);
            const camera::EepromRead read = camera::readEeprom(
                link, run.camAddr(), [&run](std::size_t n) { run.progress().set(n); });
            run.progress().finish();
            if (!read.complete())
                return "reading the EEPROM failed at " + camera::eepromPlace(read.count) +
                       "; nothing was written";
            baseline = read.bytes;
            run.record().setEepromBefore(baseline);
            return std::nullopt;
        };
    }
    const auto progress = [&](camera::ProgrammingProgress p) {
        switch (p) {
            case camera::ProgrammingProgress::Writing:
                if (!allPages) total = camera::differingPages(baseline, tables.scriptImage).size();
                run.record().setPagesWritten(0);
                run.progress().start("program", allPages ? camera::writingSteps() : total);
                break;
            case camera::ProgrammingProgress::Verifying:
                run.progress().finish();
                verifying = true;
                run.progress().start("verify", camera::kReadingSteps);
                break;
            case camera::ProgrammingProgress::Step:
                if (allPages || verifying) run.progress().step();
                break;
            case camera::ProgrammingProgress::Page:
                run.record().setPagesWritten(++pages);
                if (!allPages) run.progress().step();
                break;
        }
    };
    const camera::ProgrammingOutcome outcome = camera::programScript(
        link, run.camAddr(), tables, progress, gate, allPages ? nullptr : &baseline);
    run.progress().finish();
    switch (outcome.result) {
        case camera::ProgrammingResult::TooShort:
        case camera::ProgrammingResult::Unfindable:
            // Refused before the bus when the script was read.
            return kBadInput;
        case camera::ProgrammingResult::Refused:
            run.tell(outcome.whyNot);
            return kCameraFailed;
        case camera::ProgrammingResult::WriteFailed:
            run.tell("a page write failed: the EEPROM is written only in part" + run.restoreHint());
            return kCameraFailed;
        case camera::ProgrammingResult::ReadBackFailed:
            run.tell("reading back failed: " + std::string(kWrittenNotVerified));
            return kCameraFailed;
        case camera::ProgrammingResult::Verified:
        case camera::ProgrammingResult::Differs:
            break;
    }
    run.record().setPagesWritten(outcome.pagesWritten);
    run.record().setEepromAfter(tables.readBackBuf);
    const std::string written =
        ": " + count(outcome.pagesWritten, camera::kPageCount, "pages") + " written";
    return tellVerdict(
        run, camera::compareEeprom(tables.readBackBuf, tables.scriptImage),
        outcome.pagesWritten == 0 ? "the EEPROM already equals" : "programmed and verified",
        written);
}

int runSaveSettings(CommandRun& run) {
    const std::uint8_t offset = run.input().offset;
    std::string whyNot;
    std::optional<camera::SettingsInput> in = [&] {
        I2cLink link(run.bus());
        return camera::readSettings(link, run.camAddr(), whyNot);
    }();
    if (!in) {
        run.tell(whyNot + "; nothing was written");
        return kCameraFailed;
    }
    const std::size_t pages = camera::erasePages(offset);
    std::size_t erased = 0, written = 0, length = 0;
    run.whenInterrupted([&] {
        if (erased == 0) return std::string(kNothingWritten);
        if (erased < pages) return interruptedErasing(erased, pages) + run.restoreHint();
        if (written == 0)
            return "interrupted after the erase: the settings area is erased, no settings were "
                   "written" +
                   run.restoreHint();
        return "interrupted after " + count(written, length, "bytes") +
               " of the settings: the settings area holds part of them" + run.restoreHint();
    });
    I2cLink link(run.bus());
    const camera::SaveOutcome outcome = camera::saveSettings(
        link, run.camAddr(), offset, *in,
        [&](camera::SaveProgress moment) {
            switch (moment) {
                case camera::SaveProgress::Starting:
                    length = camera::settingsScript(*in).size() * camera::kRecordBytes;
                    run.progress().start("save", camera::saveSteps(offset, *in));
                    break;
                case camera::SaveProgress::Step:
                    run.progress().step();
                    break;
                case camera::SaveProgress::Erased:
                    ++erased;
                    break;
                case camera::SaveProgress::Written:
                    ++written;
                    break;
            }
        },
        run.backupGate());
    run.progress().finish();
    switch (outcome.result) {
        case camera::SaveResult::Saved:
            run.out() << "saved " << outcome.length << " bytes of settings at bank "
                      << io::hexByte(kSettingsBank) << " offset " << io::hexByte(offset) << '\n';
            return kCommandDone;
        case camera::SaveResult::DoesNotFit:
        case camera::SaveResult::Refused:
            run.tell(outcome.whyNot);
            return kCameraFailed;
        case camera::SaveResult::NotRead:
        case camera::SaveResult::NotCaptured:
            return kCameraFailed;  // readSettings reads and captures what a save needs
        case camera::SaveResult::EraseFailed:
            run.tell("erasing the settings area failed part-way" + run.restoreHint());
            return kCameraFailed;
        case camera::SaveResult::ReadFailed:
            run.tell(
                "the settings area is erased, but the projection could not be read; no "
                "settings were written" +
                run.restoreHint());
            return kCameraFailed;
        case camera::SaveResult::WriteFailed:
            run.tell("writing the settings stopped after " +
                     count(outcome.written, outcome.length, "bytes") + run.restoreHint());
            return kCameraFailed;
    }
    return kCameraFailed;
}

int runEraseSettings(CommandRun& run) {
    const std::uint8_t offset = run.input().offset;
    const std::size_t pages = camera::erasePages(offset);
    std::size_t erased = 0;
    run.whenInterrupted([&] {
        if (erased == 0) return std::string(kNothingWritten);
        if (erased < pages)
            return interruptedErasing(erased, pages) + " and " + kAddressAsItWas +
                   run.restoreHint();
        return "interrupted after the erase: the settings area is erased, but " +
               std::string(kAddressAsItWas) + run.restoreHint();
    });
    I2cLink link(run.bus());
    const camera::EraseOutcome outcome = camera::eraseSettings(
        link, run.camAddr(), offset, run.backupGate(), [&erased] { ++erased; });
    switch (outcome.result) {
        case camera::EraseResult::Erased:
            run.out() << "erased bank " << io::hexByte(kSettingsBank) << " from offset "
                      << io::hexByte(offset) << " and the stored address: the camera answers at "
                      << io::hexByte(outcome.address) << " after its next power-up\n";
            return kCommandDone;
        case camera::EraseResult::Refused:
            run.tell(outcome.whyNot);
            return kCameraFailed;
        case camera::EraseResult::EraseFailed:
            run.tell("erasing the settings area failed part-way; " + std::string(kAddressAsItWas) +
                     run.restoreHint());
            return kCameraFailed;
        case camera::EraseResult::AddressClearFailed:
            run.tell("the settings area is erased, but clearing the stored address failed" +
                     run.restoreHint());
            return kCameraFailed;
    }
    return kCameraFailed;
}

int runSetAddress(CommandRun& run) {
    I2cLink link(run.bus());
    const camera::AddressChange change =
        camera::changeAddress(link, run.camAddr(), run.input().newAddress, run.backupGate());
    switch (change.result) {
        case camera::AddressResult::Changed:
            run.record().setNewAddress(change.address);
            run.out() << "You MUST re-power camera now: it answers at "
                      << io::hexByte(change.address) << " after that\n";
            return kCommandDone;
        case camera::AddressResult::Unfindable:
        case camera::AddressResult::Refused:
            run.tell(change.whyNot);
            return kCameraFailed;
        case camera::AddressResult::WriteFailed:
            run.tell("storing the address failed; the camera still answers at " +
                     io::hexByte(run.camAddr()) + run.restoreHint());
            return kCameraFailed;
    }
    return kCameraFailed;
}

}  // namespace vorlix::app
