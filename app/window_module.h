#pragma once
// On Linux the Qt window lives in a module of its own, vorlix-window.so, loaded only when a
// window is to be opened. Loading the toolkit's libraries costs more than the tool spends on a
// whole read-back (README, Performance), so a headless run or a command on the command line
// must not pay it: the program itself is not linked against Qt at all.
//
// Where the module is: beside the program in the build tree, and once installed in the
// architecture's library folder, ../VORLIX_MODULE_DIR from the program's folder
// (/usr/bin/vorlix, /usr/lib/x86_64-linux-gnu/vorlix/vorlix-window.so).
//
// The module and the program are built from the same tree and share C++ types across the
// call. The module keeps its own copies of the libraries it needs, hidden from the program,
// so nothing the program holds (the interrupt's pipe, the trace) is reached through a second
// copy: the module gets all of it through WindowRun.
#include <functional>
#include <string>

#include "frame/host.h"
#include "io/expected.h"
#include "link/pacer.h"

namespace vorlix::app {

// What the window's run needs from the program.
struct WindowRun {
    int& argc;  // the toolkit keeps a reference to it for its whole life
    char** argv;
    // The pacer of the pauses themselves; the window repaints inside them.
    Pacer& pacer;
    // Runs the application on the window's host with the pacer that repaints (and gives the
    // host its notices, the simulated camera's among them).
    std::function<void(frame::Host&, Pacer&)> run;
    // Becomes readable when a signal asks the run to end (-1: none); interrupted() then ends
    // it. The window's thread is never inside a bus transaction while it waits for events.
    int wakeDescriptor = -1;
    std::function<void()> interrupted;
};

// The module's one entry point. Its name carries the version, so that a module left from
// another release is refused when loaded rather than called with a different WindowRun.
#ifndef VORLIX_VERSION_MAJOR
#error "the build defines VORLIX_VERSION_MAJOR, _MINOR and _PATCH for the window's entry point"
#endif
#define VORLIX_WINDOW_ENTRY_NAME(major, minor, patch) vorlix_window_run_##major##_##minor##_##patch
#define VORLIX_WINDOW_ENTRY_EXPAND(major, minor, patch) \
    VORLIX_WINDOW_ENTRY_NAME(major, minor, patch)
#define VORLIX_WINDOW_ENTRY \
    VORLIX_WINDOW_ENTRY_EXPAND(VORLIX_VERSION_MAJOR, VORLIX_VERSION_MINOR, VORLIX_VERSION_PATCH)
#define VORLIX_WINDOW_STRING(name) #name
#define VORLIX_WINDOW_STRING_EXPAND(name) VORLIX_WINDOW_STRING(name)
inline constexpr char kWindowEntryName[] = VORLIX_WINDOW_STRING_EXPAND(VORLIX_WINDOW_ENTRY);
using WindowEntry = void (*)(const WindowRun& run);

inline constexpr char kWindowModuleFile[] = "vorlix-window.so";

// The loaded module; it stays loaded until the program exits.
class WindowModule {
public:
    // Finds the module and loads it. The one line to tell the person when that fails.
    io::Expected<> load();
    // Runs the window until its dialog ends. Only after load() succeeded.
    void run(const WindowRun& run) const { entry_(run); }

private:
    WindowEntry entry_ = nullptr;
};

}  // namespace vorlix::app
