// vorlix: the camera control tool. Chooses the host (window or headless player) and the
// adapter (by name), wires the trace and the pacer, and runs the application object.
//
//   vorlix [--bus sim|i2c:/dev/i2c-N|pxiic[:PATH]|list] [--sim-state FILE] [--virtual-time]
//          [--trace FILE|-] [--headless [--actions FILE] [--dump FILE|-]] [--help] [--version]
//
// Bad options, unreadable files and malformed scripts or states end the program with one
// line on standard error and exit status 2, before anything is sent on the bus.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "app/backends.h"
#include "app/pumping_pacer.h"
#include "app/vorlix_app.h"
#include "frame/action_script.h"
#include "frame/headless_host.h"
#include "frame/state_dump.h"
#include "link/adapter_registry.h"
#include "link/trace.h"
#include "res/resources.h"
#include "sim/sim_backend.h"

#ifdef VORLIX_HAVE_QT
#include <QApplication>

#include "qt/qt_host.h"
#endif
#ifdef _WIN32
#include "win32/process.h"
#include "win32/win32_host.h"
#endif

namespace {

constexpr int kUsageError = 2;

struct Options {
    std::string bus = vorlix::app::defaultBus();
    std::string simState;
    bool virtualTime = false;
    std::string trace;
    bool headless = false;
    std::string actions;
    std::string dump;
};

int fail(const std::string& line) {
    std::cerr << "vorlix: " << line << '\n';
    return kUsageError;
}

// An output file named on the command line, or standard output for "-".
class OutputFile {
public:
    bool open(const std::string& path) {
        if (path.empty()) return true;
        if (path == "-") {
            stream_ = &std::cout;
            return true;
        }
        // Binary: the same bytes on every platform ("\n" stays "\n" on Windows).
        file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        stream_ = &file_;
        return file_.is_open();
    }
    std::ostream* stream() const { return stream_; }

private:
    std::ofstream file_;
    std::ostream* stream_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace vorlix;
#ifdef _WIN32
    win32::prepareProcess();
#endif

    Options opt;
    CLI::App cli{"Halvard K300 camera control " + res::versionText(), "vorlix"};
    cli.add_option("--bus", opt.bus,
                   "adapter: sim (built-in simulated camera), i2c:/dev/i2c-N, pxiic[:PATH], "
                   "or list")
        ->capture_default_str();
    cli.add_option("--sim-state", opt.simState,
                   "simulated camera state (JSON), loaded at start and written back at exit");
    cli.add_flag("--virtual-time", opt.virtualTime,
                 "simulated camera only: record pauses in the trace without sleeping");
    cli.add_option("--trace", opt.trace, "write the bus trace to FILE (- for standard output)");
    auto* headless = cli.add_flag("--headless", opt.headless, "no window: play an action script");
    cli.add_option("--actions", opt.actions, "action script for --headless")->needs(headless);
    cli.add_option("--dump", opt.dump, "state dump when the dialog ends (- for standard output)")
        ->needs(headless);
    cli.set_version_flag("--version", "vorlix " + res::versionText());
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return cli.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        return fail(e.what());
    }

    // A backend's hint (a device node without permission, a missing library) reaches the
    // person once: here, and in the window when there is one.
    frame::Host* activeHost = nullptr;
    auto hint = [&activeHost](const std::string& line) {
        std::cerr << "vorlix: " << line << '\n';
        if (activeHost) activeHost->notice(line);
    };
    AdapterRegistry registry;
    app::registerBackends(registry, hint);
    if (opt.bus == "list") {
        printBusList(registry.backends(), std::cout);
        return 0;
    }

    const bool simulated = app::isSimulatedBus(opt.bus);
    if (opt.virtualTime && !simulated)
        return fail(
            "--virtual-time works with the simulated camera only; a real camera needs its pauses");
    if (!opt.simState.empty() && !simulated)
        return fail("--sim-state works with the simulated camera only (--bus sim)");

    // Everything the run reads is read before anything is sent.
    frame::ActionScript script;
    try {
        if (!opt.actions.empty()) script = frame::loadActionScript(opt.actions);
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

    OutputFile traceFile, dumpFile;
    if (!traceFile.open(opt.trace)) return fail("cannot write the trace file " + opt.trace);
    if (!dumpFile.open(opt.dump)) return fail("cannot write the dump file " + opt.dump);

    Trace trace(traceFile.stream());
    TracingAdapter tracedAdapter(*adapter, trace);
    RealPacer realPacer;
    VirtualPacer virtualPacer;
    Pacer& basePacer = opt.virtualTime ? static_cast<Pacer&>(virtualPacer) : realPacer;

    // The trace records each pause where the handler asked for it, also when the pause
    // itself first lets the window repaint.
    auto run = [&](frame::Host& host, Pacer& hostPacer) {
        TracingPacer pacer(hostPacer, trace);
        activeHost = &host;
        host.setEventHook([&trace](const std::string& line) { trace.line(line); });
        app::CVorlixApp application(host, tracedAdapter, pacer);
        application.setOnDialogEnd([&](const panel::CVorlixDlg& dlg) {
            if (dumpFile.stream()) frame::writeStateDump(dlg, *dumpFile.stream());
        });
        application.InitInstance();
        activeHost = nullptr;
    };

    if (opt.headless) {
        frame::HeadlessHost host;
        host.setScript(std::move(script));
        if (camera) host.setRepowerHook([camera] { camera->repower(); });
        run(host, basePacer);
    } else {
#ifdef VORLIX_HAVE_QT
        QApplication qapp(argc, argv);
        qt::QtHost host(simulated);
        app::PumpingPacer pumping(host, basePacer);
        run(host, pumping);
#elif defined(_WIN32)
        win32::Win32Host host(simulated);
        app::PumpingPacer pumping(host, basePacer);
        run(host, pumping);
#else
        return fail("this build has no window; use --headless");
#endif
    }

    if (camera && !opt.simState.empty()) {
        try {
            sim::saveSimState(camera->state(), opt.simState);
        } catch (const sim::SimStateError& e) {
            return fail(e.what());
        }
    }
    return 0;
}
