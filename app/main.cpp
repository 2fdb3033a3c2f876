// vorlix: the camera control tool. Chooses the host (window or headless player) and the
// adapter (by name), wires the trace and the pacer, and runs the application object.
//
//   vorlix [--bus sim|i2c:/dev/i2c-N|pxiic[:PATH]|list] [--sim-state FILE] [--virtual-time]
//          [--trace FILE|-] [--headless [--actions FILE] [--dump FILE|-]] [--help] [--version]
//          [--no-backup] [--record FILE] [--quiet] [COMMAND [ARGS]]
//
// A COMMAND (app/commands.h) runs without a window: exit status 0 done and verified, 1 the
// camera failed or differs. Exit status otherwise: 0 done; 2 bad options, unreadable files,
// malformed scripts or states (one line on standard error, before anything is sent on the bus); 74
// an output could not be written (the trace, the dump or the state; the run itself went on); 128 +
// the signal's number when SIGINT, SIGTERM or SIGHUP ended the run (the state saved all the same).
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "app/backends.h"
#include "app/backups.h"
#include "app/commands.h"
#include "app/interrupts.h"
#include "app/pumping_pacer.h"
#include "app/run_options.h"
#include "app/vorlix_app.h"
#include "frame/action_script.h"
#include "frame/headless_host.h"
#include "frame/state_dump.h"
#include "io/output_file.h"
#include "io/printable.h"
#include "link/adapter_registry.h"
#include "link/trace.h"
#include "res/resources.h"
#include "sim/sim_backend.h"

#ifdef VORLIX_WINDOW_MODULE
#include "app/window_module.h"
#endif
#ifdef _WIN32
#include "win32/process.h"
#include "win32/win32_host.h"
#endif

namespace {

constexpr int kUsageError = vorlix::app::kBadInput;
constexpr int kWriteError = vorlix::app::kOutputFailed;

void tell(const std::string& line) {
    std::cerr << "vorlix: " << vorlix::io::printable(line) << std::endl;
}

int fail(const std::string& line) {
    tell(line);
    return kUsageError;
}

// What the run writes, and how it ends: however the run ends (the dialog closed, or a signal
// at a safe point), the outputs are flushed and checked and the simulated camera's state is
// saved, once.
class RunOutputs {
public:
    explicit RunOutputs(const vorlix::app::Options& options) : options_(options) {}

    // Opens the trace and the dump; only when both opened are they emptied, so a failure
    // leaves every file as it was.
    std::optional<std::string> open() {
        const std::pair<vorlix::io::OutputFile*, const std::string*> files[] = {
            {&trace_, &options_.trace}, {&dump_, &options_.dump}};
        for (const auto& [file, path] : files) {
            if (path->empty() || file->open(*path)) continue;
            trace_.discard();
            dump_.discard();
            return "cannot write " + *path + ": " + file->reason();
        }
        for (const auto& [file, path] : files) {
            if (!path->empty() && !file->truncate())
                return "cannot write " + *path + ": " + file->reason();
        }
        return std::nullopt;
    }

    std::ostream* trace() { return options_.trace.empty() ? nullptr : &trace_.stream(); }
    std::ostream* dump() { return options_.dump.empty() ? nullptr : &dump_.stream(); }
    void setCamera(vorlix::sim::SimCamera* camera) { camera_ = camera; }

    // The exit status of a run that ended with status (0, or a signal's).
    int finish(int status) {
        if (finished_) return status;
        finished_ = true;
        int result = status;
        const auto check = [&](vorlix::io::OutputFile& file, const std::string& path,
                               const char* what) {
            if (path.empty() || file.flush()) return;
            tell(std::string("cannot write the ") + what + " to " +
                 (path == vorlix::io::kStandardOutput ? "standard output" : path) + ": " +
                 file.reason());
            if (result == 0) result = kWriteError;
        };
        check(trace_, options_.trace, "trace");
        check(dump_, options_.dump, "dump");
        if (camera_ && !options_.simState.empty()) {
            try {
                vorlix::sim::saveSimState(camera_->state(), options_.simState);
            } catch (const vorlix::sim::SimStateError& e) {
                tell(e.what());
                if (result == 0) result = kWriteError;
            }
        }
        return result;
    }

    // Ends the program at a safe point after a signal, from wherever the run is.
    [[noreturn]] void interrupted() {
        const int status =
            finish(vorlix::app::interruptExitStatus(vorlix::app::pendingInterrupt()));
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(status);
    }

private:
    const vorlix::app::Options& options_;
    vorlix::io::OutputFile trace_, dump_;
    vorlix::sim::SimCamera* camera_ = nullptr;
    bool finished_ = false;
};

// The boxes of a link that is not the dialog's own (the backup's), shown by the host.
class HostBoxes : public vorlix::Notifier {
public:
    explicit HostBoxes(vorlix::frame::Host& host) : host_(host) {}
    void messageBox(const std::string& text) override { host_.messageBox(text); }

private:
    vorlix::frame::Host& host_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace vorlix;
#ifdef _WIN32
    win32::prepareProcess();
#endif

    app::Options opt;
    CLI::App cli{"Halvard K300 camera control " + res::versionText(), "vorlix"};
    cli.add_option("--bus", opt.bus,
                   "adapter: sim (built-in simulated camera), i2c:/dev/i2c-N, pxiic[:PATH], "
                   "or list")
        ->capture_default_str();
    auto* simState =
        cli.add_option("--sim-state", opt.simState,
                       "simulated camera state (JSON), loaded at start and written back at exit");
    cli.add_flag("--virtual-time", opt.virtualTime,
                 "simulated camera only: record pauses in the trace without sleeping");
    cli.add_option("--trace", opt.trace, "write the bus trace to FILE (- for standard output)");
    auto* headless = cli.add_flag("--headless", opt.headless, "no window: play an action script");
    cli.add_option("--actions", opt.actions, "action script for --headless")->needs(headless);
    cli.add_option("--dump", opt.dump, "state dump when the dialog ends (- for standard output)")
        ->needs(headless);
    cli.add_flag("--no-backup", opt.noBackup,
                 "no backup of the EEPROM before the first write into it (window and commands)");
    cli.add_option("--record", opt.record, "append one JSON line per command to FILE");
    cli.add_flag("--quiet", opt.quiet, "commands: no progress bar and no informational lines");
    cli.set_version_flag("--version", "vorlix " + res::versionText());

    // The commands; global options may also follow the command's name.
    cli.require_subcommand(0, 1);
    cli.fallthrough();
    app::Command& command = opt.command;
    auto* info = cli.add_subcommand("info", "find the camera and print what it reads back");
    info->add_flag("--json", command.json, "as one JSON object");
    cli.add_subcommand("backup", "read the four EEPROM banks into a new QEF file")
        ->add_option("FILE", command.file, "the QEF file to create")
        ->required();
    cli.add_subcommand("program", "back up, program the EEPROM from a QEF file and verify it")
        ->add_option("FILE", command.file, "the QEF file")
        ->required();
    cli.add_subcommand("verify", "compare the EEPROM with a QEF file; writes nothing")
        ->add_option("FILE", command.file, "the QEF file")
        ->required();
    cli.add_subcommand("save-settings", "store the camera's live settings in bank a0")
        ->add_option("--offset", command.offset, "where in bank a0 (hex; 0 when not given)");
    auto* erase = cli.add_subcommand(
        "erase-settings", "erase bank a0 from the offset on, and the stored camera address");
    erase->add_option("--offset", command.offset, "where in bank a0 (hex; 0 when not given)");
    erase->add_flag("--yes", command.yes, "yes, erase");
    cli.add_subcommand("set-address", "store a new camera address (taken at the next power-up)")
        ->add_option("NEW", command.newAddress, "the new address (hex)")
        ->required();
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return cli.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        return fail(e.what());
    }
    opt.simStateGiven = simState->count() > 0;
    for (const CLI::App* sub : cli.get_subcommands()) command.name = sub->get_name();
    const bool commanded = !command.name.empty();

    // A backend's hint (a device node without permission, a missing library) and where a
    // backup went reach the person on standard error, and in the window when there is one.
    frame::Host* activeHost = nullptr;
    auto hint = [&activeHost](const std::string& line) {
        tell(line);
        if (activeHost) activeHost->notice(line);
    };
    AdapterRegistry registry;
    app::registerBackends(registry, hint);
    if (opt.bus == "list") {
        printBusList(registry.backends(), std::cout);
        return 0;
    }

    // Every option is checked and everything the run reads is read before any output is
    // opened or anything is sent.
#if !defined(VORLIX_WINDOW_MODULE) && !defined(_WIN32)
    if (!opt.headless && !commanded)
        return fail("this build has no window; give a COMMAND or use --headless");
#endif
#ifdef VORLIX_WINDOW_MODULE
    app::WindowModule window;
    if (!opt.headless && !commanded) {
        if (const std::optional<std::string> problem = app::displayProblem()) return fail(*problem);
        if (const std::optional<std::string> problem = window.load()) return fail(*problem);
    }
#endif
    if (const std::optional<std::string> problem = app::checkOptions(opt)) return fail(*problem);
    app::CommandInput commandInput;
    if (commanded) {
        if (const std::optional<std::string> problem = app::prepareCommand(opt, commandInput))
            return fail(*problem);
    }
    const bool simulated = app::isSimulatedBus(opt.bus);
    frame::ActionScript script;
    try {
        if (!opt.actions.empty()) {
            script = frame::loadActionScript(opt.actions);
            frame::checkActionScript(script, res::mainTemplate(), opt.actions);
        }
    } catch (const frame::ScriptError& e) {
        return fail(e.what());
    }

    std::string error;
    std::unique_ptr<Adapter> adapter;
    sim::SimCamera* camera = nullptr;
    if (simulated) {
        try {
            auto simAdapter = app::makeSimAdapter(opt.simState);
            camera = &simAdapter->camera();
            adapter = std::move(simAdapter);
        } catch (const sim::SimStateError& e) {
            return fail(e.what());
        }
    } else {
        adapter = registry.create(opt.bus, error);
        if (!adapter) return fail(error);
    }

    RunOutputs outputs(opt);
    if (const std::optional<std::string> problem = outputs.open()) return fail(*problem);
    outputs.setCamera(camera);
    app::installInterruptHandlers();

    Trace trace(outputs.trace());
    TracingAdapter tracedAdapter(*adapter, trace);
    app::InterruptibleAdapter busAdapter(tracedAdapter, [&outputs] { outputs.interrupted(); });
    RealPacer realPacer;
    VirtualPacer virtualPacer;
    Pacer& basePacer = opt.virtualTime ? static_cast<Pacer&>(virtualPacer) : realPacer;

    if (commanded) {
        TracingPacer pacer(basePacer, trace);
        const app::CommandIo io{busAdapter, pacer, trace, std::cout, std::cerr};
        const int status = app::runCommand(opt, commandInput, io);
        std::cout.flush();
        const int signal = app::pendingInterrupt();
        return outputs.finish(signal != 0 ? app::interruptExitStatus(signal) : status);
    }

    // The trace records each pause where the handler asked for it, also when the pause
    // itself first lets the window repaint.
    auto run = [&](frame::Host& host, Pacer& hostPacer) {
        TracingPacer pacer(hostPacer, trace);
        activeHost = &host;
        host.setEventHook([&trace](const std::string& line) { trace.line(line); });
        app::CVorlixApp application(host, busAdapter, pacer);
        HostBoxes boxes(host);
        if (!opt.noBackup) {
            application.setEepromWriteGuard(app::backupOnFirstWrite(
                Bus{busAdapter, pacer, boxes}, {opt.bus, res::versionText()}, hint));
        }
        application.setOnDialogEnd([&](const panel::CVorlixDlg& dlg) {
            if (std::ostream* dump = outputs.dump()) frame::writeStateDump(dlg, *dump);
        });
        application.InitInstance();
        activeHost = nullptr;
    };

    if (opt.headless) {
        frame::HeadlessHost host;
        host.setScript(std::move(script));
        host.setBeforeAction([&outputs] {
            if (app::pendingInterrupt() != 0) outputs.interrupted();
        });
        if (camera) host.setRepowerHook([camera] { camera->repower(); });
        run(host, basePacer);
    } else {
#ifdef VORLIX_WINDOW_MODULE
        window.run({argc, argv, simulated, basePacer, run, app::interruptWakeDescriptor(),
                    [&outputs] { outputs.interrupted(); }});
#elif defined(_WIN32)
        win32::Win32Host host(simulated);
        app::PumpingPacer pumping(host, basePacer);
        run(host, pumping);
#endif
    }

    const int signal = app::pendingInterrupt();
    return outputs.finish(signal != 0 ? app::interruptExitStatus(signal) : 0);
}
