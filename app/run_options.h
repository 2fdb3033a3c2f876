#pragma once
// The command line's options, and the checks made on them before anything is read, opened for
// writing or sent on the bus.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/backends.h"
#include "io/expected.h"
#include "link/adapter_registry.h"

namespace vorlix::app {

// A command of the production command line; an empty name opens the window (or plays the
// headless script).
struct Command {
    std::string name;
    std::string file;       // backup, program, verify, decode; set --from
    bool allPages = false;  // program: every page, not only those that differ from the camera
    bool json = false;      // info, get
    std::vector<std::string> words;  // get: NAME...; set: NAME=VALUE...
    bool fromGiven = false;          // set --from: the changes of a profile in file
    bool store = false;              // set --store: the trim offsets are stored, as STORE does
    std::string place;               // reg: REG[=VALUE]; eeprom: BANK:OFFSET[=VALUE]
    std::string count;               // eeprom: the bytes to read from there (hex), as typed
    std::string offset;  // save-settings, erase-settings: as typed (hex), empty for the default
    bool offsetGiven = false;  // --offset "" is a mistake, not the default
    bool yes = false;          // erase-settings
    std::string newAddress;    // set-address: as typed (hex)
    bool station = false;      // run once per module by the station (program, verify)
};

struct Options {
    std::string bus = defaultBus();
    // --bus given again: a station's further sockets, each on a bus of its own, in order.
    std::vector<std::string> moreBuses;
    std::string simState;
    bool simStateGiven = false;  // --sim-state "" is a mistake, not "no state file"
    bool virtualTime = false;
    std::string trace;
    bool headless = false;
    std::string actions;
    std::string dump;
    Command command;
    bool noBackup = false;     // no backup before the first EEPROM write of the run
    bool quiet = false;        // no progress bar and no informational lines
    std::string record;        // a JSON line per command is appended to this file
    bool recordGiven = false;  // --record "" is a mistake, not "no record"
    // --address: the camera's (8-bit, even) address, taken without the search by every
    // command and by the window's read-back.
    std::optional<std::uint8_t> address;
    // --retries: how many more times a command or station unit that failed on a transfer runs
    // again from its start (program and verify); none when not given.
    std::optional<unsigned> retries;
};

// Every bus of the run: --bus, then a station's further sockets.
std::vector<std::string> allBuses(const Options& options);

// The state file of the simulated camera on bus (as --bus names one): FILE of "sim:FILE", else
// --sim-state (empty: none).
std::string statePathOf(const Options& options, const std::string& bus);

// What --retries given to anything but program, verify and the station is told.
inline constexpr char kRetriesRefused[] = "--retries works with program, verify and the station";

// Whether the options can work together (and with the traits of the backends chosen, as
// registry knows them); one line for the person when a file name is empty, a state file could
// not be written back at the end (its folder missing or not writable), two outputs (--trace,
// --dump, --record, the state files) are one file, however they are spelt, or several buses are
// given to anything but a station (or with what follows one bus: --trace, --sim-state). Only
// the states' folders are touched (a probe file is created and removed again), so that a run is
// never made and then lost at exit.
io::Expected<> checkOptions(const Options& options, const AdapterRegistry& registry);

// Whether the window has somewhere to show itself; one line for the person when there is no
// display server (a machine reached over ssh, say) and no platform chosen for Qt
// (QT_QPA_PLATFORM, offscreen for one).
io::Expected<> displayProblem();

}  // namespace vorlix::app
