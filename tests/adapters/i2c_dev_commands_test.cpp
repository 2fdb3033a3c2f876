// The commands through the i2c-dev backend and the fake kernel: the same command on the same
// camera gives, line for line, the bus trace, the output and the camera that the simulated
// adapter gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "adapters/i2c_dev_adapter.h"
#include "app/commands.h"
#include "fake_kernel.h"
#include "link/pacer.h"
#include "link/trace.h"
#include "sim/sim_camera.h"
#include "sim_bus_devices.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string trace, out, err, state;
};

Outcome runOn(Adapter& adapter, sim::SimCamera& camera, const app::Options& options) {
    app::CommandInput input;
    const io::Expected<> prepared = app::prepareCommand(options, input);
    EXPECT_TRUE(prepared) << prepared.why();
    std::ostringstream traceText, out, err;
    Trace trace(&traceText);
    TracingAdapter traced(adapter, trace);
    VirtualPacer virtualPacer;
    TracingPacer pacer(virtualPacer, trace);
    Outcome o;
    std::function<int(int)> lastWords;
    o.status = app::runCommand(options, input, {traced, pacer, trace, out, err, lastWords});
    o.trace = traceText.str();
    o.out = out.str();
    o.err = err.str();
    o.state = sim::formatSimState(camera.state());
    return o;
}

TEST(I2cDevCommands, InfoBackupVerifyAndProgramSeeAndLeaveTheSameAsTheSimulatedAdapter) {
    const ScratchDir scratch;
    const fs::path& dir = scratch.dir();

    sim::SimCamera simCamera(sim::SimState::builtInDefault());
    sim::SimAdapter simAdapter(simCamera);
    sim::SimCamera kernelCamera(sim::SimState::builtInDefault());
    SimBusDevices devices{kernelCamera};
    FakeKernel kernel{devices};
    kernel.nodes["/dev/i2c-3"] = {};
    I2cDevAdapter kernelAdapter{"/dev/i2c-3", kernel, [](const std::string&) {}};

    const auto both = [&](const std::string& name, const std::string& file, int status) {
        app::Options options;
        options.noBackup = true;
        options.quiet = true;
        options.command.name = name;
        options.command.file = file.empty() ? "" : (dir / ("sim-" + file)).string();
        const Outcome a = runOn(simAdapter, simCamera, options);
        if (!file.empty()) options.command.file = (dir / ("kernel-" + file)).string();
        const Outcome b = runOn(kernelAdapter, kernelCamera, options);
        EXPECT_EQ(a.status, status) << name << ": " << a.err;
        EXPECT_EQ(b.status, a.status) << name;
        EXPECT_EQ(b.trace, a.trace) << name;
        EXPECT_EQ(b.err, a.err) << name;
        std::string out = b.out;
        if (const auto at = out.find("kernel-"); at != std::string::npos)
            out.replace(at, 7, "sim-");
        EXPECT_EQ(out, a.out) << name;
        EXPECT_EQ(b.state, a.state) << name;
    };

    both("info", "", 0);
    both("backup", "b.qef", 0);
    for (const char* side : {"sim-", "kernel-"}) {
        // The last byte of bank a6 changed.
        std::ifstream in(dir / (std::string(side) + "b.qef"));
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text.replace(text.size() - 3, 2, text.compare(text.size() - 3, 2, "5a") == 0 ? "5b" : "5a");
        std::ofstream(dir / (std::string(side) + "c.qef")) << text;
    }
    both("verify", "c.qef", 1);
    both("program", "c.qef", 0);
    both("verify", "c.qef", 0);
}

}  // namespace
}  // namespace vorlix::test
