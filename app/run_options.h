#pragma once
// The command line's options, and the checks made on them before anything is read, opened for
// writing or sent on the bus.
#include <optional>
#include <string>

#include "app/backends.h"

namespace vorlix::app {

struct Options {
    std::string bus = defaultBus();
    std::string simState;
    bool simStateGiven = false;  // --sim-state "" is a mistake, not "no state file"
    bool virtualTime = false;
    std::string trace;
    bool headless = false;
    std::string actions;
    std::string dump;
};

// One line for the person when the options cannot work together, the state file could not be
// written back at the end (its folder missing or not writable), or two outputs (--trace,
// --dump, --sim-state) are one file, however they are spelt; nothing when all is well. Only the
// state's folder is touched (a probe file is created and removed again), so that a run is never
// made and then lost at exit.
std::optional<std::string> checkOptions(const Options& options);

// One line for the person when the window has nowhere to show itself: no display server (a
// machine reached over ssh, say) and no platform chosen for Qt (QT_QPA_PLATFORM, offscreen
// for one); nothing when it can open.
std::optional<std::string> displayProblem();

}  // namespace vorlix::app
