// Times the long operations in process, each from its start to its end, on the simulated
// camera wired as the program wires it (bus trace in a file, the pacer behind the trace, the
// window's pumping pacer in the window), and sets each against the sum of the pauses it asked
// for: the ratio is what the tool adds on top of the camera's own pacing. With virtual time
// the pauses cost nothing, and the CPU time per bus transaction is the tool's own cost.
//
//   operations_benchmark [--window [--bus-log]] [--virtual-time] [--runs N]
//   operations_benchmark --pauses
//
// One line per operation and run:
//   headless program pauses_ms=3328 wall_ms=3341.2 ratio=1.0040 transactions=2177
//            cpu_us_per_transaction=2.91 cpu_percent=3.1
// --window needs a display (Xvfb will do); it is built only with the window. --bus-log opens
// the window's bus log beside it first, fed by the trace as the program feeds it; its lines
// are then "window-log ...".
// --pauses sleeps the read-back's 595 pauses of 2 ms with the pacer alone (no bus, no trace)
// and tells how late each ended: the median is the pacer's own precision, the tail is the
// machine taking the CPU away (a spin loses it too), which no way of sleeping can avoid; and
// how it slept, with what spin margin, and the CPU time that cost. The Windows build has it
// too (run under wine, it measures wine's timers, which are Linux's).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform_sleeper.h"
#include "frame/headless_host.h"
#include "link/pacer.h"
#include "link/trace.h"
#include "panel/control_ids.h"
#include "panel/vorlix_dlg.h"
#include "sim/sim_camera.h"

#ifdef VORLIX_HAVE_QT
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include "app/pumping_pacer.h"
#include "qt/qt_host.h"
#endif
// A tree from before the bus log (BENCH_BASE) has none to open.
#if __has_include("frame/bus_log.h")
#define VORLIX_HAVE_BUS_LOG 1
#include "frame/bus_log.h"
#endif

namespace {

using namespace vorlix;
namespace fs = std::filesystem;

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A programming script of 1024 bytes: every page of the four banks.
fs::path writeScript() {
    const fs::path path = fs::temp_directory_path() / "vorlix_benchmark.qef";
    std::ofstream out(path, std::ios::binary);
    for (int n = 0; n < 1024; ++n) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x", (n * 7 + 3) & 0xFF);
        out << pair << (n % 16 == 15 ? "\n" : " ");
    }
    return path;
}

// The trace file of the run: what an operation wrote is read back to count its pauses and
// its transactions.
class TraceFile {
public:
    explicit TraceFile(const fs::path& path) : path_(path), out_(path, std::ios::trunc) {}
    std::ostream* stream() { return &out_; }
    std::streamoff mark() { return out_.tellp(); }

    struct Counts {
        unsigned long long pausesMs = 0;
        unsigned long long transactions = 0;
    };
    Counts countSince(std::streamoff from) {
        Counts counts;
        std::ifstream in(path_);
        in.seekg(from);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("P ", 0) == 0)
                counts.pausesMs += std::stoull(line.substr(2));
            else if (line.rfind("W ", 0) == 0 || line.rfind("R ", 0) == 0 ||
                     line.rfind("WR ", 0) == 0)
                ++counts.transactions;
        }
        return counts;
    }

private:
    fs::path path_;
    std::ofstream out_;
};

struct Bench {
    const char* hostName;
    TraceFile& trace;

    void time(const char* operation, const std::function<void()>& run) {
        const std::streamoff from = trace.mark();
        const double cpu0 = processCpuMs();
        const auto start = std::chrono::steady_clock::now();
        run();
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const double cpuMs = processCpuMs() - cpu0;
        const TraceFile::Counts counts = trace.countSince(from);
        std::printf(
            "%s %s pauses_ms=%llu wall_ms=%.2f ratio=%.4f transactions=%llu "
            "cpu_us_per_transaction=%.2f cpu_percent=%.1f\n",
            hostName, operation, counts.pausesMs, wallMs,
            counts.pausesMs ? wallMs / static_cast<double>(counts.pausesMs) : 0.0,
            counts.transactions,
            counts.transactions ? cpuMs * 1e3 / static_cast<double>(counts.transactions) : 0.0,
            wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0);
        std::fflush(stdout);
    }

    // The four long operations, each started as the person starts it. Push2White captures
    // only with the automatic white balance off; its second press lets the camera adapt again.
    void operations(panel::CVorlixDlg& dlg, const std::function<void(int)>& click) {
        time("readback", [&] { click(panel::IDC_CONNECT); });
        if (dlg.model().check(panel::IDC_AWB) != 0) click(panel::IDC_AWB);
        time("push2white", [&] { click(panel::IDC_PUSH2WHITE); });
        click(panel::IDC_PUSH2WHITE);
        time("program", [&] { click(panel::IDC_LOAD_EEPROM); });
        time("save", [&] { click(panel::IDC_SAVE); });
    }
};

#ifdef VORLIX_HAVE_QT
// The window, with the script file chosen without a file dialog.
class BenchQtHost : public qt::QtHost {
public:
    explicit BenchQtHost(std::string script) : script_(std::move(script)) {
        notice(frame::kSimulatedNotice);
    }
    std::optional<std::string> openFileDialog(const std::string&, bool) override { return script_; }

private:
    std::string script_;
};
#endif

int pauseLateness() {
    constexpr int kPauses = 595;
    constexpr unsigned kPauseMs = 2;
    RealPacer pacer(app::platformSleeper());
    std::vector<double> lateUs;
    lateUs.reserve(kPauses);
    const double cpu0 = processCpuMs();
    const auto start = RealPacer::Clock::now();
    for (int i = 0; i < kPauses; ++i) {
        const auto deadline = RealPacer::Clock::now() + std::chrono::milliseconds(kPauseMs);
        pacer.waitUntil(deadline);
        lateUs.push_back(
            std::chrono::duration<double, std::micro>(RealPacer::Clock::now() - deadline).count());
    }
    const double wallMs =
        std::chrono::duration<double, std::milli>(RealPacer::Clock::now() - start).count();
    const double cpuMs = processCpuMs() - cpu0;
    std::sort(lateUs.begin(), lateUs.end());
    const std::string_view method = pacer.sleeper().method();
    std::printf(
        "pacer pauses pauses_ms=%u wall_ms=%.2f ratio=%.4f late_median_us=%.1f "
        "late_p99_us=%.1f late_max_us=%.1f cpu_percent=%.1f sleep=%.*s spin_margin_us=%lld\n",
        kPauses * kPauseMs, wallMs, wallMs / (kPauses * kPauseMs), lateUs[kPauses / 2],
        lateUs[kPauses * 99 / 100], lateUs.back(), 100.0 * cpuMs / wallMs,
        static_cast<int>(method.size()), method.data(),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::microseconds>(pacer.sleeper().spinMargin())
                .count()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool window = false;
    bool virtualTime = false;
    [[maybe_unused]] bool busLog = false;  // the window only
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window")
            window = true;
        else if (arg == "--bus-log")
            busLog = true;
        else if (arg == "--virtual-time")
            virtualTime = true;
        else if (arg == "--pauses")
            return pauseLateness();
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else {
            std::fprintf(
                stderr, "usage: %s [--window [--bus-log]] [--virtual-time] [--runs N] | --pauses\n",
                argv[0]);
            return 2;
        }
    }

    const fs::path script = writeScript();
    TraceFile traceFile(fs::temp_directory_path() / "vorlix_benchmark.trace");
    Trace trace(traceFile.stream());
    sim::SimCamera camera;
    sim::SimAdapter simAdapter(camera);
    TracingAdapter adapter(simAdapter, trace);
    RealPacer realPacer(app::platformSleeper());
    VirtualPacer virtualPacer;
    Pacer& basePacer = virtualTime ? static_cast<Pacer&>(virtualPacer) : realPacer;
    int status = 0;

    if (!window) {
        frame::HeadlessHost host;
        TracingPacer pacer(basePacer, trace);
        panel::CVorlixDlg dlg(host, adapter, pacer);
        Bench bench{"headless", traceFile};
        bench.time("startup", [&] { dlg.OnInitDialog(); });
        host.queueFileAnswer(script.string());
        dlg.click(panel::IDC_BROWSE);
        for (int r = 0; r < runs; ++r) bench.operations(dlg, [&dlg](int id) { dlg.click(id); });
        status = host.boxes().empty() ? 0 : 1;
    } else {
#ifdef VORLIX_HAVE_QT
        QApplication qapp(argc, argv);
        BenchQtHost host(script.string());
        app::PumpingPacer pumping(host, basePacer);
        TracingPacer pacer(pumping, trace);
        panel::CVorlixDlg dlg(host, adapter, pacer);
        Bench bench{busLog ? "window-log" : "window", traceFile};
        std::unique_ptr<qt::DialogView> view;
#ifdef VORLIX_HAVE_BUS_LOG
        frame::BusLog* log = host.busLog();
        if (busLog)
            trace.setListener(
                [log](const std::string& line, bool failed) { log->append(line, failed); });
#else
        if (busLog) {
            std::fprintf(stderr, "this tree has no bus log\n");
            return 2;
        }
#endif
        // Until the window has painted once: the display server shows it (exposes it) some
        // round trips after show(), and only then does it paint. Operations measured before
        // that would pay the window's first whole paint inside their first pause (6-9 ms
        // here), which the program's window has done long before a person can click.
        bench.time("startup", [&] {
            view = host.openView(dlg);
            QElapsedTimer waited;
            waited.start();
            while (!view->windowHandle()->isExposed() && waited.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
            QCoreApplication::processEvents();
        });
#ifdef VORLIX_HAVE_BUS_LOG
        if (busLog) {
            view->deliver([&dlg] { dlg.sysCommand(frame::kBusLogCommand); });
            QCoreApplication::processEvents();
        }
#endif
        auto click = [&view, &dlg](int id) { view->deliver([&dlg, id] { dlg.click(id); }, id); };
        click(panel::IDC_BROWSE);
        for (int r = 0; r < runs; ++r) bench.operations(dlg, click);
#else
        std::fprintf(stderr, "this build has no window\n");
        status = 2;
#endif
    }
    fs::remove(script);
    return status;
}
