#pragma once
// One run of the program once its command line is parsed: the backends, the checks of
// everything the run reads, the bus (the chosen backend's adapter under the trace and the
// interrupt's safe point), the outputs, and the run itself: a command, the headless player or
// the window. However the run ends (the dialog closed, the command done, or a signal at a safe
// point), the outputs are flushed and checked and the backend's state is saved, once.
#include <functional>
#include <memory>
#include <ostream>
#include <string>

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
    // Runs the application on a host over the pacer its pauses go through.
    void runDialog(frame::Host& host, Pacer& hostPacer);
    int finish(int status);
    // Writes the outputs out and saves the backend's state: the exit status they leave.
    int settle(int status);
    // Ends the program at a safe point after a signal, from wherever the run is.
    [[noreturn]] void interrupted();
    void hint(const std::string& line);

    const Options& options_;
    AdapterRegistry registry_;
    BackendTraits traits_;
    bool commanded_ = false;
    CommandInput commandInput_;
    frame::ActionScript script_;
    std::unique_ptr<WindowModule> window_;  // loaded when a window is to open
    OpenedBus bus_;
    io::OutputFile traceFile_, dumpFile_;
    // A command's results: standard output, whose failure (a full disk, a reader that went
    // away) is an output that could not be written, like the trace's.
    io::OutputFile results_;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<Adapter> tracedAdapter_, busAdapter_;
    frame::Host* activeHost_ = nullptr;
    std::function<int(int status)> lastWords_;
    bool finished_ = false;
    bool traceTold_ = false, dumpTold_ = false, stateTold_ = false, resultsTold_ = false;
};

}  // namespace vorlix::app
