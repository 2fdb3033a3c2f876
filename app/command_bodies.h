#pragma once
// The commands' own checks and bodies, by group: the ones that only read the camera
// (reading_commands.cpp: info, backup, verify) and the ones that write its EEPROM
// (writing_commands.cpp: program, save-settings, erase-settings, set-address), with what
// several of them share (command_checks.cpp). The table in commands.cpp names them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/command_run.h"
#include "app/commands.h"
#include "camera/eeprom_image.h"

namespace vorlix::app {

// --- Reading -------------------------------------------------------------------------------

std::optional<std::string> checkBackup(const Options& options, CommandInput& input);
std::optional<std::string> checkVerify(const Options& options, CommandInput& input);
int runInfo(CommandRun& run);
int runBackup(CommandRun& run);
int runVerify(CommandRun& run);

// Tells every difference and the verdict (same: the words for none, before the file's name,
// after: after it), and records them; the exit status. Verify's, and program's after its own
// verification.
int tellVerdict(CommandRun& run, const std::vector<camera::EepromDifference>& differences,
                const char* same, const std::string& after = "");

// --- Writing -------------------------------------------------------------------------------

std::optional<std::string> checkProgram(const Options& options, CommandInput& input);
std::optional<std::string> checkSaveSettings(const Options& options, CommandInput& input);
std::optional<std::string> checkEraseSettings(const Options& options, CommandInput& input);
std::optional<std::string> checkSetAddress(const Options& options, CommandInput& input);
int runProgram(CommandRun& run);
int runSaveSettings(CommandRun& run);
int runEraseSettings(CommandRun& run);
int runSetAddress(CommandRun& run);

// --- Shared checks -------------------------------------------------------------------------

// A command's FILE must name a file: "" is refused, as is an option given without a value.
std::optional<std::string> checkFileNamed(const Command& command);

// Reads a script that must fill the whole EEPROM with hex bytes, for program and verify; a
// script to be programmed must also leave the camera findable.
std::optional<std::string> readWholeScript(const std::string& path, bool programming,
                                           CommandInput& input);

}  // namespace vorlix::app
