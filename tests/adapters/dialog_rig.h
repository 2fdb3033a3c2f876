#pragma once
// A main dialog on the headless host over any adapter, with the bus trace and a virtual
// clock, and the simulated camera behind it reached two ways: through the simulated adapter,
// and through the i2c-dev backend on a fake kernel. The comparisons run the same actions on
// both and expect the person and the camera to see the same thing.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/i2c_dev_adapter.h"
#include "fake_kernel.h"
#include "frame/headless_host.h"
#include "frame/state_dump.h"
#include "link/pacer.h"
#include "link/trace.h"
#include "panel/vorlix_dlg.h"
#include "sim/sim_camera.h"
#include "sim_bus_devices.h"

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

    std::vector<std::string> takeTrace() {
        std::vector<std::string> lines;
        std::istringstream in(traceText.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        traceText.str("");
        traceText.clear();
        return lines;
    }

    // Every control and member as the --dump option writes them.
    std::string dump() const {
        std::ostringstream out;
        frame::writeStateDump(*dlg, out);
        return out.str();
    }

    std::ostringstream traceText;
    Trace trace;
    TracingAdapter adapter;
    VirtualPacer clock;
    TracingPacer pacer;
    frame::HeadlessHost host;
    std::unique_ptr<panel::CVorlixDlg> dlg;
};

inline const std::string kBusNode = "/dev/i2c-3";

// The camera behind the simulated adapter: the path every panel test takes.
struct SimPath {
    explicit SimPath(const sim::SimState& state) : camera(state) {}

    sim::SimCamera camera;
    sim::SimAdapter simAdapter{camera};
    DialogRig rig{simAdapter};
};

// The camera on /dev/i2c-3 of a fake kernel, reached through the i2c-dev backend.
struct KernelPath {
    explicit KernelPath(const sim::SimState& state) : camera(state) { kernel.nodes[kBusNode] = {}; }

    sim::SimCamera camera;
    SimBusDevices devices{camera};
    FakeKernel kernel{devices};
    std::vector<std::string> hints;
    I2cDevAdapter i2cAdapter{kBusNode, kernel,
                             [this](const std::string& line) { hints.push_back(line); }};
    DialogRig rig{i2cAdapter};
};

}  // namespace vorlix::test
