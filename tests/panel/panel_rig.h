#pragma once
// A main dialog on the headless host against the simulated camera, with the bus trace and
// a virtual clock: what every panel test drives.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/headless_host.h"
#include "link/pacer.h"
#include "link/trace.h"
#include "panel/vorlix_dlg.h"
#include "sim/sim_camera.h"

namespace vorlix::test {

class PanelRig {
public:
    explicit PanelRig(sim::SimState state = sim::SimState::builtInDefault())
        : camera(std::move(state)),
          simAdapter(camera),
          trace(&traceText),
          adapter(simAdapter, trace),
          pacer(clock, trace) {
        host.setEventHook([this](const std::string& line) { trace.line(line); });
        dlg = std::make_unique<panel::CVorlixDlg>(host, adapter, pacer);
    }

    // Runs the dialog's initialisation (the first read-back included).
    PanelRig& start() {
        dlg->OnInitDialog();
        return *this;
    }

    // The trace lines since the last call.
    std::vector<std::string> takeTrace() {
        std::vector<std::string> lines;
        std::istringstream in(traceText.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        traceText.str("");
        traceText.clear();
        return lines;
    }

    const frame::DialogModel& model() const { return dlg->model(); }
    const std::string& text(int id) const { return dlg->model().text(id); }
    int checked(int id) const { return dlg->model().check(id); }
    bool enabled(int id) const { return dlg->model().isEnabled(id); }
    int sliderPos(int id) const { return dlg->model().scrollInfo(id).pos; }

    sim::SimCamera camera;
    sim::SimAdapter simAdapter;
    std::ostringstream traceText;
    Trace trace;
    TracingAdapter adapter;
    VirtualPacer clock;
    TracingPacer pacer;
    frame::HeadlessHost host;
    std::unique_ptr<panel::CVorlixDlg> dlg;
};

// Counts the lines of a trace that start with prefix.
inline int countLines(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

}  // namespace vorlix::test
