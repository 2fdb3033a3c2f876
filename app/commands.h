#pragma once
// The production command line: info, backup, program, verify (and the settings and address
// commands), each run once against the camera that the address search finds, without a
// window. Every check on the arguments and every file read is made before anything is sent.
//
// Exit statuses: kCommandDone (done, and verified where there is something to verify),
// kCameraFailed (no camera, a failed transfer, a camera that differs, a backup that could not
// be made), kBadInput (bad arguments or files: one line, nothing on the bus).
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/records.h"
#include "app/run_options.h"
#include "camera/controls.h"
#include "eeprom/eeprom_tables.h"
#include "io/expected.h"
#include "link/adapter.h"
#include "link/pacer.h"
#include "link/trace.h"

namespace vorlix::app {

inline constexpr int kCommandDone = 0;
inline constexpr int kCameraFailed = 1;
inline constexpr int kBadInput = 2;
// An output could not be written (the trace, the dump, the state, a record); the run went on.
inline constexpr int kOutputFailed = 74;

// What a command takes from its arguments and files, checked before the run.
struct CommandInput {
    eeprom::ScriptImage script{};  // program, verify: the file's entries
    std::string scriptPath;        // absolute, for the record
    std::string scriptSha256;
    std::uint8_t offset = 0;      // save-settings, erase-settings
    std::uint8_t newAddress = 0;  // set-address
    // get: the controls asked for, in order (all of them when none was named); set: the
    // changes, in the order they are applied.
    std::vector<const camera::ControlSpec*> controls;
    std::vector<std::pair<const camera::ControlSpec*, camera::ControlValue>> changes;
    std::uint16_t reg = 0;                  // reg: the sensor register
    std::optional<std::uint16_t> regValue;  // reg: the value to write, when given
    std::uint8_t bank = 0;                  // eeprom: the bank's write form
    std::uint8_t byteOffset = 0;            // eeprom: the offset in the bank
    std::size_t byteCount = 1;              // eeprom: the bytes read from there on
    std::optional<std::uint8_t> byteValue;  // eeprom: the byte to write, when given
    std::string traceText;                  // decode: the saved trace
    RecordFile record;                      // open when --record was given
};

// Where a command talks: the bus (decorated with the trace), the run's pacer and the trace for
// the message-box lines, standard output for results and standard error for everything else.
// lastWords is what the program calls, with the exit status, when an interrupt ends the run at
// a safe point: the command sets it while it runs, to say how far it got and record it; it
// returns the status the program exits with (a station ended between units says its tally).
// settle writes the run's outputs out (the trace, the state) and gives the exit status a run
// that ended with status has then, so that the record says the status the process ends with;
// resolved is what the backend resolved the --bus name to (empty: the argument itself);
// findAgain looks a bus named by what does not change up again (OpenedBus::findAgain); a
// progress bar is drawn on standard error only where progressBar allows it (a station of several
// sockets draws none).
struct CommandIo {
    Adapter& adapter;
    Pacer& pacer;
    Trace& trace;
    std::ostream& out;
    std::ostream& err;
    std::function<int(int status)>& lastWords;
    std::function<int(int status)> settle{};
    std::string resolved{};
    std::function<BusPlace()> findAgain{};
    bool progressBar = true;
};

class CommandRun;

// A command of the table: its name and what --help says of it, its own checks of its
// arguments and files (one line for the person when they refuse; none: nothing to check), its
// body (the exit status), and what the run around it needs to know.
struct CommandEntry {
    const char* name;
    const char* summary;
    io::Expected<> (*check)(const Options& options, CommandInput& input) = nullptr;
    int (*run)(CommandRun& run) = nullptr;
    bool writes = false;      // into the EEPROM: an interrupt before its first write says none was
                              // made
    bool verifies = false;    // done means verified: the record says "verified"
    bool needsCamera = true;  // the body runs once the camera was found (or --address named it)
    bool perUnit = false;     // the station may run it on one module after another
};

// Every command, in the order --help lists them.
std::span<const CommandEntry> commands();

// Checks the command's arguments, reads its script and opens the record file: one line for the
// person when something is wrong.
io::Expected<> prepareCommand(const Options& options, CommandInput& input);

// Runs the command; the exit status. A station runs a socket on each bus of buses (the order of
// --bus); any other command runs on the first.
int runCommand(const Options& options, CommandInput& input, std::span<const CommandIo> buses);
inline int runCommand(const Options& options, CommandInput& input, const CommandIo& io) {
    return runCommand(options, input, std::span<const CommandIo>(&io, 1));
}

}  // namespace vorlix::app
