#pragma once
// The station: the production loop of one bench socket. It waits for a module (the address
// search, repeated quietly about twice a second), runs one command on it (program or verify,
// exactly as that command runs alone: its backup, its lines, its record, which carries the
// unit's number), prints one result line for the unit with the shift's counts so far, waits
// until the module is taken out, and begins again. A module is taken as put in, or as taken
// out, once two searches in a row agree, so a socket's contacts that bounce start no unit.
//
// A signal between two units ends the shift with its tally (the exit status says whether every
// unit passed); one during a unit ends that unit as it ends a command run alone (the
// transaction on the bus completes, one line says how far it got, the record says
// "interrupted"), the unit counts as interrupted, and the shift ends with the signal's status.
//
// Exit status: 0 when every unit passed (a shift of none included), 1 when one failed, 74 when
// all passed but a record could not be written, 128 + the signal's number when it interrupted
// a unit.
#include <string>

#include "app/commands.h"

namespace vorlix::app {

// The counts of a shift.
struct ShiftTally {
    unsigned passed = 0;
    unsigned failed = 0;
    unsigned interrupted = 0;

    unsigned units() const { return passed + failed + interrupted; }
    // "2 passed, 1 failed, yield 66.6%": the yield rounded down, so it shows 100% only when no
    // unit failed; "1 interrupted" only when one was.
    std::string text() const;
};

// The shift's result line for a unit: "PASS unit 1: REASON; shift: TALLY", the verdict in
// colour when colour is true.
std::string unitLine(bool passed, unsigned unit, const std::string& reason,
                     const ShiftTally& tally, bool colour);

// Whether results on standard output are written in colour: a terminal (on Windows, a console
// that takes colour sequences) and no NO_COLOR set to a value.
bool standardOutputTakesColour();

// Runs the station with entry (program or verify) until a signal ends the shift; the exit
// status.
int runStation(const CommandEntry& entry, const Options& options, CommandInput& input,
               const CommandIo& io);

}  // namespace vorlix::app
