#pragma once
// The commands' own checks and bodies, by group: the ones that only read the camera
// (reading_commands.cpp: info, backup, verify, decode), the ones that write its EEPROM
// (writing_commands.cpp: program, save-settings, erase-settings, set-address), the single
// settings (control_commands.cpp: controls, get, set, reg, eeprom), with what several of them
// share (command_checks.cpp). The table in commands.cpp names them.
#include <string>
#include <vector>

#include "app/command_run.h"
#include "app/commands.h"
#include "camera/eeprom_image.h"
#include "io/expected.h"

namespace vorlix::app {

// --- Reading -------------------------------------------------------------------------------

io::Expected<> checkBackup(const Options& options, CommandInput& input);
io::Expected<> checkVerify(const Options& options, CommandInput& input);
int runInfo(CommandRun& run);
int runBackup(CommandRun& run);
int runVerify(CommandRun& run);
io::Expected<> checkDecode(const Options& options, CommandInput& input);
int runDecode(CommandRun& run);

// Tells every difference on standard output, one a line, and records the bytes read and the
// first difference: verify's, and program's after its own verification.
void tellDifferences(CommandRun& run, const std::vector<camera::EepromDifference>& differences,
                     const camera::EepromImage& bytes);

// --- Writing -------------------------------------------------------------------------------

io::Expected<> checkProgram(const Options& options, CommandInput& input);
io::Expected<> checkSaveSettings(const Options& options, CommandInput& input);
io::Expected<> checkEraseSettings(const Options& options, CommandInput& input);
io::Expected<> checkSetAddress(const Options& options, CommandInput& input);
int runProgram(CommandRun& run);
int runSaveSettings(CommandRun& run);
int runEraseSettings(CommandRun& run);
int runSetAddress(CommandRun& run);

// --- Single settings -----------------------------------------------------------------------

io::Expected<> checkGet(const Options& options, CommandInput& input);
io::Expected<> checkSet(const Options& options, CommandInput& input);
io::Expected<> checkReg(const Options& options, CommandInput& input);
io::Expected<> checkEeprom(const Options& options, CommandInput& input);
int runControls(CommandRun& run);
int runGet(CommandRun& run);
int runSet(CommandRun& run);
int runReg(CommandRun& run);
int runEeprom(CommandRun& run);

// --- Shared checks -------------------------------------------------------------------------

// A command's FILE must name a file: "" is refused, as is an option given without a value.
io::Expected<> checkFileNamed(const Command& command);

// Reads a script that must fill the whole EEPROM with hex bytes, for program and verify; a
// script to be programmed must also leave the camera findable.
io::Expected<> readWholeScript(const std::string& path, bool programming, CommandInput& input);

// The script's name in the command's words: FILE as the person gave it.
std::string scriptName(const CommandRun& run);

}  // namespace vorlix::app
