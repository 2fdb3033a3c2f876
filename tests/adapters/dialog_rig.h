#pragma once
// A main dialog on the headless host over any adapter, with the bus trace and a virtual
// clock, and the simulated camera behind it reached two ways: through the simulated adapter,
// and through the i2c-dev backend on a fake kernel. The comparisons run the same actions on
// both and expect the person and the camera to see the same thing.
#include <string>
#include <vector>

#include "../panel/panel_rig.h"
#include "adapters/i2c_dev_adapter.h"
#include "fake_kernel.h"
#include "sim/sim_camera.h"
#include "sim_bus_devices.h"

namespace vorlix::test {

inline const std::string kBusNode = "/dev/i2c-3";

// The camera behind the simulated adapter: the path every panel test takes.
struct SimPath {
    explicit SimPath(const sim::SimState& state) : rig(state), camera(rig.camera) {}

    PanelRig rig;
    sim::SimCamera& camera;
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
