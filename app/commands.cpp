// The table of the commands, and what every command checks and does alike.
#include "app/commands.h"

#include "app/command_bodies.h"
#include "app/command_run.h"
#include "app/station.h"
#include "io/output_file.h"

namespace vorlix::app {

namespace {

constexpr CommandEntry kCommands[] = {
    {"info", "find the camera and print what it reads back", false, nullptr, runInfo},
    {"backup", "read the four EEPROM banks into a new QEF file", false, checkBackup, runBackup},
    {"program", "back up, program what differs from a QEF file and verify it", true, checkProgram,
     runProgram, true},
    {"verify", "compare the EEPROM with a QEF file; writes nothing", false, checkVerify, runVerify,
     true},
    {"save-settings", "store the camera's live settings in bank a0", true, checkSaveSettings,
     runSaveSettings},
    {"erase-settings", "erase bank a0 from the offset on, and the stored camera address", true,
     checkEraseSettings, runEraseSettings},
    {"set-address", "store a new camera address (taken at the next power-up)", true,
     checkSetAddress, runSetAddress},
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

std::optional<std::string> prepareCommand(const Options& options, CommandInput& input) {
    if (options.headless || !options.actions.empty() || !options.dump.empty())
        return "--headless, --actions and --dump belong to the window's script; a command runs "
               "without them";
    const CommandEntry* entry = findCommand(options.command.name);
    if (entry == nullptr) return "no command " + options.command.name;
    if (options.command.station && !entry->perUnit)
        return "a station runs program or verify, not " + options.command.name;
    if (entry->check != nullptr) {
        if (std::optional<std::string> why = entry->check(options, input)) return why;
    }
    if (!options.record.empty()) {
        if (options.record == io::kStandardOutput)
            return "--record needs a file name (records are appended to a file)";
        if (const std::optional<std::string> why = input.record.open(options.record)) return why;
    }
    return std::nullopt;
}

int runCommand(const Options& options, CommandInput& input, const CommandIo& io) {
    const CommandEntry* entry = findCommand(options.command.name);
    if (entry == nullptr) return kBadInput;
    if (options.command.station) return runStation(*entry, options, input, io);
    CommandRun run(options, input, io);
    return run(*entry);
}

}  // namespace vorlix::app
