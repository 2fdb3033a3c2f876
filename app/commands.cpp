// The table of the commands, and what every command checks and does alike.
#include "app/commands.h"

#include "app/command_bodies.h"
#include "app/command_run.h"
#include "app/station.h"
#include "io/output_file.h"

namespace vorlix::app {

namespace {

constexpr CommandEntry kCommands[] = {
    {.name = "info",
     .summary = "find the camera and print what it reads back",
     .run = runInfo,
     .needsCamera = false},
    {.name = "controls",
     .summary = "list every named control with its value and what it takes",
     .run = runControls},
    {.name = "get",
     .summary = "print the named controls (all when none is named), or one JSON object",
     .check = checkGet,
     .run = runGet},
    {.name = "set",
     .summary = "change controls, in order, as the window's controls do; or a profile from get "
                "--json",
     .check = checkSet,
     .run = runSet,
     .writes = true},
    {.name = "reg",
     .summary = "read or write a 16-bit sensor register through the camera",
     .check = checkReg,
     .run = runReg},
    {.name = "eeprom",
     .summary = "read EEPROM bytes, or write one (backed up first)",
     .check = checkEeprom,
     .run = runEeprom,
     .writes = true},
    {.name = "decode",
     .summary = "print a saved bus trace with each command in the camera's words beside it",
     .check = checkDecode,
     .run = runDecode,
     .needsCamera = false},
    {.name = "backup",
     .summary = "read the four EEPROM banks into a new QEF file",
     .check = checkBackup,
     .run = runBackup},
    {.name = "program",
     .summary = "back up, program what differs from a QEF file and verify it",
     .check = checkProgram,
     .run = runProgram,
     .writes = true,
     .verifies = true,
     .perUnit = true},
    {.name = "verify",
     .summary = "compare the EEPROM with a QEF file; writes nothing",
     .check = checkVerify,
     .run = runVerify,
     .verifies = true,
     .perUnit = true},
    {.name = "save-settings",
     .summary = "store the camera's live settings in bank a0",
     .check = checkSaveSettings,
     .run = runSaveSettings,
     .writes = true},
    {.name = "erase-settings",
     .summary = "erase bank a0 from the offset on, and the stored camera address",
     .check = checkEraseSettings,
     .run = runEraseSettings,
     .writes = true},
    {.name = "set-address",
     .summary = "store a new camera address (taken at the next power-up)",
     .check = checkSetAddress,
     .run = runSetAddress,
     .writes = true},
};

const CommandEntry* findCommand(const std::string& name) {
    for (const CommandEntry& entry : kCommands)
        if (name == entry.name) return &entry;
    return nullptr;
}

}  // namespace

std::span<const CommandEntry> commands() {
    return kCommands;
}

io::Expected<> prepareCommand(const Options& options, CommandInput& input) {
    if (options.headless || !options.actions.empty() || !options.dump.empty())
        return io::Failure{
            "--headless, --actions and --dump belong to the window's script; a command runs "
            "without them"};
    const CommandEntry* entry = findCommand(options.command.name);
    if (entry == nullptr) return io::Failure{"no command " + options.command.name};
    if (options.command.station && !entry->perUnit)
        return io::Failure{"a station runs program or verify, not " + options.command.name};
    if (options.retries && !entry->perUnit) return io::Failure{kRetriesRefused};
    if (entry->check != nullptr) {
        if (io::Expected<> checked = entry->check(options, input); !checked) return checked;
    }
    if (!options.record.empty()) {
        if (options.record == io::kStandardOutput)
            return io::Failure{"--record needs a file name (records are appended to a file)"};
        if (io::Expected<> opened = input.record.open(options.record); !opened) return opened;
    }
    return io::Ok{};
}

int runCommand(const Options& options, CommandInput& input, std::span<const CommandIo> buses) {
    const CommandEntry* entry = findCommand(options.command.name);
    if (entry == nullptr || buses.empty()) return kBadInput;
    if (options.command.station) return runStation(*entry, options, input, buses);
    CommandRun run(options, input, buses.front());
    return run(*entry);
}

}  // namespace vorlix::app
