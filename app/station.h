#pragma once
// The station: the production loop of a bench. For each socket it waits for a module (the
// address search, repeated quietly about twice a second), runs one command on it (program or
// verify, exactly as that command runs alone: its backup, its lines, its record, which carries
// the unit's number), prints one result line for the unit with the shift's counts so far, waits
// until the module is taken out, and begins again. A module is taken as put in, or as taken
// out, once two searches in a row agree, so a socket's contacts that bounce start no unit.
//
// Several sockets (--bus given once for each) run side by side in one process, each on its own
// adapter, in a thread of its own: every line a socket prints starts with its bus in brackets
// ("[i2c:usb=1-2] PASS unit 1: ..."), each socket numbers and counts its own units, and when the
// shift ends each socket says its tally and one line the bench's. With virtual time the
// sockets take turns on one clock (app/bench_clock.h), so a simulated bench runs the same way
// every time. With one socket the screen is as it always was: no brackets, no bench line.
//
// A socket on a bus named by what does not change (i2c:usb=PORT, i2c:serial=SN) finds its
// adapter again: when a search finds nothing, the name is looked up again; when it names no bus
// any more, the station says the adapter is gone, looks it up every half second until it is
// back (under whatever node), says where, and goes on waiting as it was. A unit under way when
// the adapter went fails as a unit whose transfers fail does (with how to restore the camera
// when something was written after its backup).
//
// A signal between two units ends the shift with its tally (the exit status says whether every
// unit passed); one during a unit ends that unit as it ends a command run alone (the
// transaction on the bus completes, one line says how far it got, the record says
// "interrupted"), the unit counts as interrupted, and the shift ends with the signal's status.
// On a bench, every socket ends so, each at its own next safe point.
//
// Exit status: 0 when every unit passed (a shift of none included), 1 when one failed, 74 when
// all passed but a record could not be written, 128 + the signal's number when it interrupted
// a unit.
#include <span>
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
    // "shift ended: 3 units, 2 passed, 1 failed, yield 66.6%", what (the bench) in front of
    // "ended" when given.
    std::string endLine(const char* what = "shift") const;
    ShiftTally& operator+=(const ShiftTally& other);
};

// The shift's result line for a unit: "PASS unit 1: REASON; shift: TALLY", the verdict in
// colour when colour is true.
std::string unitLine(bool passed, unsigned unit, const std::string& reason, const ShiftTally& tally,
                     bool colour);

// Whether results on standard output are written in colour: a terminal (on Windows, a console
// that takes colour sequences) and no NO_COLOR set to a value.
bool standardOutputTakesColour();

// Runs the station with entry (program or verify), a socket on each of buses, until a signal
// ends the shift; the exit status.
int runStation(const CommandEntry& entry, const Options& options, CommandInput& input,
               std::span<const CommandIo> buses);

}  // namespace vorlix::app
