#include "app/session.h"

#include <cstdlib>
#include <iostream>

#include "app/backends.h"
#include "app/backups.h"
#include "app/interrupts.h"
#include "app/platform_sleeper.h"
#include "app/pumping_pacer.h"
#include "app/vorlix_app.h"
#include "camera/bus_reading.h"
#include "frame/bus_log.h"
#include "frame/headless_host.h"
#include "frame/state_dump.h"
#include "io/printable.h"
#include "panel/host_notifier.h"
#include "res/resources.h"

#ifdef VORLIX_WINDOW_MODULE
#include "app/window_module.h"
#endif
#ifdef _WIN32
#include "win32/win32_host.h"
#endif

namespace vorlix::app {

#ifndef VORLIX_WINDOW_MODULE
// This build's window, where it has one, is no module to load.
class WindowModule {};
#endif

namespace {

// One write a line: the sockets of a station tell from threads of their own.
void tell(const std::string& line) {
    std::cerr << "vorlix: " + io::printable(line) + "\n" << std::flush;
}

}  // namespace

Session::Session(const Options& options)
    : options_(options), commanded_(!options.command.name.empty()) {
    // A backend's hint (a device node without permission, a missing library) and where a
    // backup went reach the person on standard error, and in the window when there is one.
    registerBackends(registry_, [this](const std::string& line) { hint(line); });
    traits_ = registry_.traitsOf(options.bus);
}

Session::~Session() = default;

void Session::hint(const std::string& line) {
    tell(line);
    if (activeHost_) activeHost_->notice(line);
}

void Session::listBuses(std::ostream& out) const {
    printBusList(registry_.backends(), out);
}

io::Expected<> Session::check() {
#if !defined(VORLIX_WINDOW_MODULE) && !defined(_WIN32)
    if (!options_.headless && !commanded_)
        return io::Failure{"this build has no window; give a COMMAND or use --headless"};
#endif
#ifdef VORLIX_WINDOW_MODULE
    if (!options_.headless && !commanded_) {
        if (io::Expected<> display = displayProblem(); !display) return display;
        window_ = std::make_unique<WindowModule>();
        if (io::Expected<> loaded = window_->load(); !loaded) return loaded;
    }
#endif
    if (io::Expected<> checked = checkOptions(options_, registry_); !checked) return checked;
    if (commanded_) {
        if (io::Expected<> prepared = prepareCommand(options_, commandInput_); !prepared)
            return prepared;
    }
    if (!options_.actions.empty()) {
        io::Expected<frame::ActionScript> script = frame::loadActionScript(options_.actions);
        if (!script) return script.failure();
        if (io::Expected<> fits =
                frame::checkActionScript(*script, res::mainTemplate(), options_.actions);
            !fits)
            return fits;
        script_ = std::move(*script);
    }
    return io::Ok{};
}

io::Expected<> Session::open() {
    for (const std::string& bus : allBuses(options_)) {
        io::Expected<OpenedBus> opened = registry_.create(bus, options_.simState);
        if (!opened) return opened.failure();
        sockets_.push_back(std::make_unique<Socket>());
        sockets_.back()->opened = std::move(*opened);
    }

    const std::pair<io::OutputFile*, const std::string*> files[] = {{&traceFile_, &options_.trace},
                                                                    {&dumpFile_, &options_.dump}};
    for (const auto& [file, path] : files) {
        if (path->empty() || file->open(*path)) continue;
        traceFile_.discard();
        dumpFile_.discard();
        return io::Failure{"cannot write " + *path + ": " + file->reason()};
    }
    for (const auto& [file, path] : files) {
        if (!path->empty() && !file->truncate())
            return io::Failure{"cannot write " + *path + ": " + file->reason()};
    }
    if (commanded_) {
        results_.open(io::kStandardOutput);
        results_.writeLines();
    }
    installInterruptHandlers();

    for (const std::unique_ptr<Socket>& socket : sockets_) {
        const bool traced = socket == sockets_.front() && !options_.trace.empty();
        socket->trace = std::make_unique<Trace>(traced ? &traceFile_.stream() : nullptr);
        socket->traced = std::make_unique<TracingAdapter>(*socket->opened.adapter, *socket->trace);
        socket->adapter = std::make_unique<InterruptibleAdapter>(
            *socket->traced, [this, at = socket.get()] { interrupted(*at); });
    }
    return io::Ok{};
}

int Session::run([[maybe_unused]] int& argc, [[maybe_unused]] char** argv) {
    RealPacer realPacer(platformSleeper());
    VirtualPacer virtualPacer;
    Pacer& basePacer = options_.virtualTime ? static_cast<Pacer&>(virtualPacer) : realPacer;

    if (commanded_) return runCommand(basePacer);

    if (options_.headless) {
        frame::HeadlessHost host;
        host.setScript(std::move(script_));
        host.setBeforeAction([this] {
            if (pendingInterrupt() != 0) interrupted(*sockets_.front());
        });
        if (sockets_.front()->opened.repower) host.setRepowerHook(sockets_.front()->opened.repower);
        runDialog(host, basePacer);
    } else {
#ifdef VORLIX_WINDOW_MODULE
        window_->run({argc, argv, basePacer,
                      [this](frame::Host& host, Pacer& hostPacer) { runDialog(host, hostPacer); },
                      interruptWakeDescriptor(), [this] { interrupted(*sockets_.front()); }});
#elif defined(_WIN32)
        win32::Win32Host host;
        PumpingPacer pumping(host, basePacer);
        runDialog(host, pumping);
#endif
    }
    const int signal = pendingInterrupt();
    return finish(signal != 0 ? interruptExitStatus(signal) : 0);
}

// Each bus has a pacer of its own, virtual or real: a station's sockets pause in threads of their
// own, and a real pacer's timer serves one thread (Windows' waitable timer is one object).
int Session::runCommand(Pacer& basePacer) {
    std::vector<std::unique_ptr<Pacer>> clocks;
    std::vector<std::unique_ptr<TracingPacer>> pacers;
    std::vector<CommandIo> buses;
    for (const std::unique_ptr<Socket>& socket : sockets_) {
        Pacer* base = &basePacer;
        if (socket != sockets_.front()) {
            clocks.push_back(options_.virtualTime
                                 ? std::unique_ptr<Pacer>(std::make_unique<VirtualPacer>())
                                 : std::make_unique<RealPacer>(platformSleeper()));
            base = clocks.back().get();
        }
        pacers.push_back(std::make_unique<TracingPacer>(*base, *socket->trace));
        buses.push_back({*socket->adapter, *pacers.back(), *socket->trace, results_.stream(),
                         std::cerr, socket->lastWords,
                         [this, at = socket.get()](int status) {
                             return settle(status, sockets_.size() > 1 ? at : nullptr);
                         },
                         socket->opened.resolved, socket->opened.findAgain});
    }
    const int status = app::runCommand(options_, commandInput_, buses);
    // A station ended by a signal between two units has told its tally: its status stands.
    const int signal = pendingInterrupt();
    const bool tallied = options_.command.station;
    const int result = finish(signal != 0 && !tallied ? interruptExitStatus(signal) : status);
    // A bench's sockets that a signal stopped at their safe points stay parked: the process
    // ends without them.
    if (sockets_.size() > 1 && signal != 0) exitNow(result);
    return result;
}

// The trace records each pause where the handler asked for it, also when the pause itself
// first lets the window repaint.
void Session::runDialog(frame::Host& host, Pacer& hostPacer) {
    Socket& bus = *sockets_.front();
    Trace& trace = *bus.trace;
    TracingPacer pacer(hostPacer, trace);
    if (traits_.simulated) host.notice(frame::kSimulatedNotice);
    activeHost_ = &host;
    host.setEventHook([&trace](const std::string& line) { trace.line(line); });
    // The window's bus log gets every line, with or without a trace file.
    // The bus log shows each line with its reading in the camera's words beside it.
    if (frame::BusLog* log = host.busLog()) {
        trace.setListener(
            [log, reader = camera::BusReader()](const std::string& line, bool failed) mutable {
                log->append(line, failed, reader.read(line));
            });
    }
    CVorlixApp application(host, *bus.adapter, pacer);
    if (options_.address) application.setCameraAddress(*options_.address);
    panel::HostNotifier boxes(host);  // the backup's link is not the dialog's
    if (!options_.noBackup) {
        application.setEepromWriteGuard(
            backupOnFirstWrite(Bus{*bus.adapter, pacer, boxes}, {options_.bus, res::versionText()},
                               [this](const std::string& line) { hint(line); }));
    }
    application.setOnDialogEnd([this](const panel::CVorlixDlg& dlg) {
        if (!options_.dump.empty()) frame::writeStateDump(dlg, dumpFile_.stream());
    });
    application.InitInstance();
    trace.setListener(nullptr);
    activeHost_ = nullptr;
}

// The exit status of a run that ended with status (0, a command's, or a signal's).
int Session::finish(int status) {
    if (finished_) return status;
    finished_ = true;
    return settle(status);
}

// Each output that fails is told once, however often the run settles.
int Session::settle(int status, const Socket* socket) {
    int result = status;
    const auto failed = [&](const std::string& line, bool& told) {
        if (!told) tell(line);
        told = true;
        if (result == 0) result = kOutputFailed;
    };
    const auto check = [&](io::OutputFile& file, const std::string& path, const char* what,
                           bool& told) {
        if (path.empty() || file.flush()) return;
        failed(std::string("cannot write the ") + what + " to " +
                   (path == io::kStandardOutput ? "standard output" : path) + ": " + file.reason(),
               told);
    };
    check(traceFile_, options_.trace, "trace", traceTold_);
    if (commanded_) check(results_, io::kStandardOutput, "results", resultsTold_);
    check(dumpFile_, options_.dump, "dump", dumpTold_);
    for (const std::unique_ptr<Socket>& each : sockets_) {
        if (!each->opened.saveState || (socket != nullptr && socket != each.get())) continue;
        if (const io::Expected<> saved = each->opened.saveState(); !saved)
            failed(saved.why(), stateTold_);
    }
    return result;
}

void Session::interrupted(Socket& socket) {
    int status = interruptExitStatus(pendingInterrupt());
    if (socket.lastWords) status = socket.lastWords(status);
    exitNow(finish(status));
}

void Session::exitNow(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(status);
}

}  // namespace vorlix::app
