// The commands that write the camera's EEPROM: program, save-settings, erase-settings,
// set-address. Each backs the camera up first (unless --no-backup), and keeps the line that an
// interrupt would end it with true as it goes: how far it got, and how to restore.
#include <optional>
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

// --offset as typed; 00 when it was left out.
io::Expected<> readOffset(const Command& command, CommandInput& input) {
    if (command.offsetGiven && command.offset.empty())
        return io::Failure{
            "--offset needs a value: the offset in bank a0 as a hex byte (00 to ff), or leave "
            "the option out for 00"};
    if (command.offset.empty()) return io::Ok{};
    const std::optional<std::uint8_t> offset = io::parseHexByte(command.offset);
    if (!offset)
        return io::Failure{"--offset " + io::printable(command.offset) +
                           ": give the offset in bank a0 as a hex byte (00 to ff)"};
    input.offset = *offset;
    return io::Ok{};
}

}  // namespace

io::Expected<> checkProgram(const Options& options, CommandInput& input) {
    if (io::Expected<> named = checkFileNamed(options.command); !named) return named;
    return readWholeScript(options.command.file, true, input);
}

io::Expected<> checkSaveSettings(const Options& options, CommandInput& input) {
    return readOffset(options.command, input);
}

io::Expected<> checkEraseSettings(const Options& options, CommandInput& input) {
    if (io::Expected<> offset = readOffset(options.command, input); !offset) return offset;
    if (!options.command.yes)
        return io::Failure{
            "erase-settings erases bank a0 from the offset on and the stored camera address; "
            "add --yes to do it"};
    return io::Ok{};
}

io::Expected<> checkSetAddress(const Options& options, CommandInput& input) {
    const std::string& typed = options.command.newAddress;
    const std::optional<std::uint8_t> address = io::parseHexByte(typed);
    if (!address)
        return io::Failure{"set-address " + io::printable(typed) +
                           ": give the new address as a hex byte (00 to ff)"};
    if (!findableAfterPowerUp(*address))
        return io::Failure{"set-address " + io::hexByte(*address) +
                           ": the search could never find the camera there (" +
                           camera::kUnfindableWhy + ")"};
    input.newAddress = *address;
    return io::Ok{};
}

// The backup comes first, explicitly. Only the pages that differ from the camera are written
// (every one with --all-pages): the backup's bytes are the baseline, or with --no-backup a read
// of the banks made for it.
int runProgram(CommandRun& run) {
    run.record().setScript(run.input().scriptPath, run.input().scriptSha256);
    const bool allPages = run.command().allPages;
    const std::string name = scriptName(run);
    std::size_t pages = 0, total = camera::kPageCount;
    bool verifying = false;
    run.whenInterrupted([&pages, &total, &verifying, &name] {
        return camera::programmingInterrupted(pages, total, verifying, name);
    });
    const camera::GateAnswer backup = run.backUp();
    if (!backup) return run.conclude(backup);

    I2cLink link(run.bus());
    camera::EepromImage baseline{};
    if (!allPages) {
        if (backup.value) {
            baseline = backup.value->bytes;
        } else {
            run.progress().start("read", eeprom::kEepromSize);
            const camera::Result<camera::EepromImage> read = camera::readEeprom(
                link, run.camAddr(), [&run](std::size_t n) { run.progress().set(n); });
            run.progress().finish();
            if (!read)
                return run.conclude(camera::Result<>{
                    .outcome = read.outcome, .words = read.words + "; nothing was written"});
            baseline = read.value;
            run.record().setEepromBefore(baseline);
        }
    }
    const auto progress = [&](camera::ProgrammingProgress p) {
        switch (p) {
            case camera::ProgrammingProgress::Writing:
                if (!allPages) total = camera::differingPages(baseline, run.input().script).size();
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
    camera::Result<camera::Programming> programmed =
        camera::programScript(link, run.camAddr(), run.input().script, name, progress, {},
                              allPages ? nullptr : &baseline);
    run.progress().finish();
    programmed.backup = backup.value;
    if (programmed.outcome == camera::Outcome::Done ||
        programmed.outcome == camera::Outcome::Differs) {
        run.record().setPagesWritten(programmed.value.pagesWritten);
        tellDifferences(run, programmed.value.differences, programmed.value.readBack);
    }
    return run.conclude(programmed);
}

int runSaveSettings(CommandRun& run) {
    const std::uint8_t offset = run.input().offset;
    const camera::Result<camera::SettingsInput> in = [&] {
        I2cLink link(run.bus());
        return camera::readSettings(link, run.camAddr());
    }();
    if (!in) return run.conclude(in);
    camera::SaveProgressCount count{.pages = camera::erasePages(offset)};
    run.whenInterrupted([&count] { return camera::saveInterrupted(count); });
    I2cLink link(run.bus());
    const camera::Result<camera::SaveProgressCount> save = camera::saveSettings(
        link, run.camAddr(), offset, in.value,
        [&](camera::SaveProgress moment) {
            switch (moment) {
                case camera::SaveProgress::Starting:
                    count.length = camera::settingsScript(in.value).size() * camera::kRecordBytes;
                    run.progress().start("save", camera::saveSteps(offset, in.value));
                    break;
                case camera::SaveProgress::Step:
                    run.progress().step();
                    break;
                case camera::SaveProgress::Erased:
                    ++count.erased;
                    break;
                case camera::SaveProgress::Written:
                    ++count.written;
                    break;
            }
        },
        run.backupGate());
    run.progress().finish();
    return run.conclude(save);
}

int runEraseSettings(CommandRun& run) {
    const std::uint8_t offset = run.input().offset;
    const std::size_t pages = camera::erasePages(offset);
    std::size_t erased = 0;
    run.whenInterrupted([&erased, pages] { return camera::eraseInterrupted(erased, pages); });
    I2cLink link(run.bus());
    return run.conclude(camera::eraseSettings(link, run.camAddr(), offset, run.backupGate(),
                                              [&erased] { ++erased; }));
}

int runSetAddress(CommandRun& run) {
    I2cLink link(run.bus());
    const camera::Result<std::uint8_t> change =
        camera::changeAddress(link, run.camAddr(), run.input().newAddress, run.backupGate());
    if (change) run.record().setNewAddress(change.value);
    return run.conclude(change);
}

}  // namespace vorlix::app
