// A station on a bridge named by its USB port, through the i2c-dev backend, the fake kernel and
// a fake device tree: the bridge is pulled out during unit 2's page writes and put back in,
// where the kernel gives it another bus number.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "app/commands.h"
#include "app/interrupts.h"
#include "fake_kernel.h"
#include "link/trace.h"
#include "sim/sim_camera.h"
#include "sim_bus_devices.h"
#include "tests/support/scratch_dir.h"
#include "usb_sysfs.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

const fs::path kPort = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
constexpr std::uint16_t kCamera7 = 0x38;
constexpr std::uint8_t kPageHeader = 0x24;

// The CP2112 in port 1-2 as bus n.
void plug(const UsbSysfs& sysfs, FakeKernel& kernel, int n) {
    sysfs.bridge(n, kPort, "1-2:1.0/0003:10C4:EA90.000" + std::to_string(n),
                 "CP2112 SMBus Bridge on hidraw0",
                 {{"idVendor", "10c4"}, {"idProduct", "ea90"}, {"devpath", "2"}});
    kernel.nodes[sysfs.node(n)] = {};
}

// Passes every transaction on to the camera, and runs pullOut once the page header numbered
// pullAt has gone through.
class PullingOut : public BusDevices {
public:
    PullingOut(BusDevices& inner, int pullAt) : inner_(inner), pullAt_(pullAt) {}
    std::function<void()> pullOut;

    int write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) override {
        const int result = inner_.write(addr7, bytes);
        if (addr7 == kCamera7 && bytes.size() == 3 && bytes[0] == kPageHeader &&
            ++pages_ == pullAt_)
            pullOut();
        return result;
    }
    int read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) override {
        return inner_.read(addr7, buffer, count);
    }
    int writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes, std::uint8_t* buffer,
                  std::size_t count) override {
        return inner_.writeRead(addr7, bytes, buffer, count);
    }

private:
    BusDevices& inner_;
    int pullAt_;
    int pages_ = 0;
};

// Three blank modules in turn; the bench's Ctrl-C once the third is gone. The second stays in
// the socket long enough to be searched for once the bridge is back.
constexpr char kBench[] = R"({
  "present": false,
  "faults": [ { "at": 17000, "signal": 2 } ],
  "modules": [ { "gap": 300, "stays": 4600 }, { "gap": 300, "stays": 6000 },
               { "gap": 300, "stays": 4600 } ]
})";

// The station's shift in this (forked) process, with its outputs in the scratch folder; the
// exit status. Unit 1 programs 37 pages, so page 40 is unit 2's third; the bridge comes back
// at the third look-up after it went.
int runShift(const ScratchDir& scratch, const UsbSysfs& sysfs) {
    ::setenv("XDG_DATA_HOME", scratch.path("data").c_str(), 1);
    sim::SimCamera camera(*sim::parseSimState(kBench, "bench"));
    SimBusDevices simulated(camera);
    PullingOut devices(simulated, 40);
    FakeKernel kernel(devices);
    plug(sysfs, kernel, 7);
    bool out = false;
    devices.pullOut = [&] {
        sysfs.unplug(7, kPort);
        kernel.nodes.erase(sysfs.node(7));
        out = true;
    };
    const I2cPaths paths{sysfs.dev(), sysfs.sysClass(), {scratch.path("lock")}};
    fs::create_directories(paths.lockDirs.front());
    io::Expected<OpenedBus> bus = openI2cBus("usb=1-2", paths, kernel, nullptr);
    if (!bus) return 100;
    int lookUps = 0;
    const auto findAgain = [&] {
        if (out && ++lookUps == 3) plug(sysfs, kernel, 9);
        return bus->findAgain();
    };

    app::Options options;
    options.bus = "i2c:usb=1-2";
    options.record = scratch.path("r.jsonl");
    options.command.name = "program";
    options.command.station = true;
    options.command.file = (fs::path(VORLIX_SOURCE_DIR) / "samples" / "example.qef").string();
    app::CommandInput input;
    if (!app::prepareCommand(options, input)) return 101;
    std::ofstream stdOut(scratch.path("out")), stdErr(scratch.path("err"));
    Trace trace;
    VirtualPacer clock;
    std::function<int(int)> lastWords;
    app::installInterruptHandlers();
    const int status = app::runCommand(
        options, input,
        app::CommandIo{
            *bus->adapter, clock, trace, stdOut, stdErr, lastWords, {}, bus->resolved, findAgain});
    stdOut.flush();
    stdErr.flush();
    return status;
}

TEST(StationReplug, GoesOnUnderItsPortNameWhenTheBridgeComesBackAsAnotherBus) {
    const ScratchDir scratch;
    const UsbSysfs sysfs(scratch.dir() / "tree");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(runShift(scratch, sysfs));
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);  // one unit failed

    std::vector<nlohmann::json> units;
    std::istringstream lines(readText(scratch.path("r.jsonl")));
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json record = nlohmann::json::parse(line);
        if (record["result"] != "started") units.push_back(record);
    }
    ASSERT_EQ(units.size(), 3u);
    const std::string was = sysfs.node(7), now = sysfs.node(9);
    EXPECT_EQ(units[0]["result"], "verified");
    EXPECT_EQ(units[0]["resolved"], was);
    EXPECT_EQ(units[1]["result"], "failed");
    EXPECT_EQ(units[1]["resolved"], was);
    EXPECT_EQ(units[2]["result"], "verified");
    EXPECT_EQ(units[2]["resolved"], now);
    for (const nlohmann::json& unit : units) EXPECT_EQ(unit["bus"], "i2c:usb=1-2");

    const std::string backup = units[1]["backup"].get<std::string>();
    const std::string failed =
        "a page write failed: the EEPROM is written only in part; vorlix "
        "program " +
        backup + " restores it";
    const std::string out = readText(scratch.path("out"));
    EXPECT_NE(out.find("FAIL unit 2: " + failed + "; shift: 1 passed, 1 failed, yield 50.0%\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("shift ended: 3 units, 2 passed, 1 failed, yield 66.6%\n"),
              std::string::npos)
        << out;
    const std::string err = readText(scratch.path("err"));
    const std::string expected = "vorlix: error USB_DEVICE_NOT_FOUND\nvorlix: " + failed +
                                 "\nstation: take the module out\n"
                                 "station: the adapter i2c:usb=1-2 is gone (" +
                                 was +
                                 " went away); waiting for it to come back\n"
                                 "station: the adapter i2c:usb=1-2 is back as " +
                                 now + "\nstation: waiting for unit 3\n";
    EXPECT_NE(err.find(expected), std::string::npos) << err;
}

}  // namespace
}  // namespace vorlix::test
