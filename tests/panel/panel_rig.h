#pragma once
// A main dialog on the headless host with the bus trace and a virtual clock: DialogRig over
// any adapter, PanelRig over the simulated camera, which is what every panel test drives.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/headless_host.h"
#include "frame/state_dump.h"
#include "link/pacer.h"
#include "link/trace.h"
#include "panel/vorlix_dlg.h"
#include "sim/sim_camera.h"
#include "tests/support/bench.h"
#include "tests/support/trace_lines.h"

namespace vorlix::test {

class DialogRig {
public:
    explicit DialogRig(Adapter& inner)
        : trace(&traceText), adapter(inner, trace), pacer(clock, trace) {
        host.setEventHook([this](const std::string& line) { trace.line(line); });
        dlg = std::make_unique<panel::CVorlixDlg>(host, adapter, pacer);
    }

    // Runs the dialog's initialisation (the first read-back included).
    void start() { dlg->OnInitDialog(); }

    // The trace lines since the last call.
    std::vector<std::string> takeTrace() { return takeLines(traceText); }

    // Every control and member as the --dump option writes them.
    std::string dump() const {
        std::ostringstream out;
        frame::writeStateDump(*dlg, out);
        return out.str();
    }

    const frame::DialogModel& model() const { return dlg->model(); }
    const std::string& text(int id) const { return dlg->model().text(id); }
    int checked(int id) const { return dlg->model().check(id); }
    bool enabled(int id) const { return dlg->model().isEnabled(id); }
    int sliderPos(int id) const { return dlg->model().scrollInfo(id).pos; }

    std::ostringstream traceText;
    Trace trace;
    TracingAdapter adapter;
    VirtualPacer clock;
    TracingPacer pacer;
    frame::HeadlessHost host;
    std::unique_ptr<panel::CVorlixDlg> dlg;
};

class PanelRig : public SimulatedCamera, public DialogRig {
public:
    explicit PanelRig(sim::SimState state = sim::SimState::builtInDefault())
        : SimulatedCamera(std::move(state)), DialogRig(simAdapter) {}

    PanelRig& start() {
        DialogRig::start();
        return *this;
    }
};

// Counts the lines of a trace that start with prefix.
inline int countLines(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

}  // namespace vorlix::test
