#pragma once
// One run of the program once its command line is parsed: the backends, the checks of
// everything the run reads, the buses (each the chosen backend's adapter under the trace and the
// interrupt's safe point: one, or one per socket of a station), the outputs, and the run itself:
// a command, the headless player or the window. However the run ends (the dialog closed, the
// command done, or a signal at a safe point), the outputs are flushed and checked and the
// backends' states are saved, once.
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/run_options.h"
#include "frame/action_script.h"
#include "frame/host.h"
#include "io/expected.h"
#include "io/output_file.h"
#include "link/adapter_registry.h"

namespace vorlix::app {

class WindowModule;

class Session {
public:
    explicit Session(const Options& options);
    ~Session();

    // --bus list: the backends and the buses they see.
    void listBuses(std::ostream& out) const;
    // Every option is checked and everything the run reads is read (the command's files, the
    // action script, the window's module) before any output is opened or anything is sent:
    // the one line for the person when something is wrong.
    io::Expected<> check();
    // Builds the backend's adapter and opens the outputs; only when both opened are the
    // outputs emptied, so a failure leaves every file as it was.
    io::Expected<> open();
    // Runs the command, the headless script or the window; the exit status.
    int run(int& argc, char** argv);

private:
    // A bus of the run: the backend's adapter, the trace over it (the first bus's goes to
    // --trace, the others' nowhere), the interrupt's safe point over that, and what the command
    // on it says when an interrupt ends the run there.
    struct Socket {
        OpenedBus opened;
        std::unique_ptr<Trace> trace;
        std::unique_ptr<Adapter> traced, adapter;
        std::function<int(int status)> lastWords;
    };

    // Runs the application on a host over the pacer its pauses go through.
    void runDialog(frame::Host& host, Pacer& hostPacer);
    // Runs the command on the buses; the exit status.
    int runCommand(Pacer& basePacer);
    int finish(int status);
    // Writes the outputs out and saves the backends' states (only socket's, when given): the
    // exit status they leave.
    int settle(int status, const Socket* socket = nullptr);
    // Ends the program at a safe point of socket's bus after a signal, from wherever the run is.
    [[noreturn]] void interrupted(Socket& socket);
    // Ends the program now with status, its outputs written out.
    [[noreturn]] void exitNow(int status);
    void hint(const std::string& line);

    const Options& options_;
    AdapterRegistry registry_;
    BackendTraits traits_;
    bool commanded_ = false;
    CommandInput commandInput_;
    frame::ActionScript script_;
    std::unique_ptr<WindowModule> window_;          // loaded when a window is to open
    std::vector<std::unique_ptr<Socket>> sockets_;  // the first is the window's and a command's
    io::OutputFile traceFile_, dumpFile_;
    // A command's results: standard output, whose failure (a full disk, a reader that went
    // away) is an output that could not be written, like the trace's.
    io::OutputFile results_;
    frame::Host* activeHost_ = nullptr;
    bool finished_ = false;
    bool traceTold_ = false, dumpTold_ = false, stateTold_ = false, resultsTold_ = false;
};

}  // namespace vorlix::app
