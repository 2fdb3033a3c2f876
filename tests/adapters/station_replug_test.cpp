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
#include <optional>
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

// The station's shift in this (forked) process, with its outputs in folder; the exit status.
// Unit 1 programs 37 pages, so page 40 is unit 2's third; the bridge comes back at the third
// look-up after it went.
int runShift(const fs::path& folder, const UsbSysfs& sysfs, std::optional<unsigned> retries) {
    const auto path = [&folder](const char* name) { return (folder / name).string(); };
    ::setenv("XDG_DATA_HOME", path("data").c_str(), 1);
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
    const I2cPaths paths{sysfs.dev(), sysfs.sysClass(), {path("lock")}};
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
    options.record = path("r.jsonl");
    options.retries = retries;
    options.command.name = "program";
    options.command.station = true;
    options.command.file = (fs::path(VORLIX_SOURCE_DIR) / "samples" / "example.qef").string();
    app::CommandInput input;
    if (!app::prepareCommand(options, input)) return 101;
    std::ofstream stdOut(path("out")), stdErr(path("err"));
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

// Unit 2 fails and names the backup that restores it (also when --retries tried it again and
// the search found nothing); the station says the adapter is gone, finds it again under the
// new number, waits for unit 2's module to be taken out, and verifies unit 3 there. The record
// says which node each unit used.
TEST(StationReplug, GoesOnUnderItsPortNameWhenTheBridgeComesBackAsAnotherBus) {
    const ScratchDir scratch;
    const struct {
        std::optional<unsigned> retries;
        std::string unit2;  // the reason of unit 2's FAIL line, before the restore hint
        std::string told;   // what it told on standard error first
    } cases[] = {
        {std::nullopt, "a page write failed: the EEPROM is written only in part",
         "vorlix: error USB_DEVICE_NOT_FOUND\n"},
        {1, "no camera",
         "vorlix: trying again from the start: attempt 2 of 2\n"
         "vorlix: No valid address found, re-power cam and retry.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit2);
        const fs::path folder = scratch.dir() / (c.retries ? "retries" : "once");
        fs::create_directories(folder);
        const auto path = [&folder](const char* name) { return (folder / name).string(); };
        const UsbSysfs sysfs(folder / "tree");
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) ::_exit(runShift(folder, sysfs, c.retries));
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), 1);  // one unit failed

        std::vector<nlohmann::json> units;
        std::istringstream lines(readText(path("r.jsonl")));
        for (std::string line; std::getline(lines, line);) {
            const nlohmann::json record = nlohmann::json::parse(line);
            if (record["result"] != "started") units.push_back(record);
        }
        ASSERT_EQ(units.size(), 3u);
        const std::string was = sysfs.node(7), now = sysfs.node(9);
        EXPECT_EQ(units[0]["result"], "verified");
        EXPECT_EQ(units[0]["resolved"], was);
        EXPECT_NE(units[1]["result"], "verified");
        EXPECT_EQ(units[1]["resolved"], was);
        EXPECT_EQ(units[2]["result"], "verified");
        EXPECT_EQ(units[2]["resolved"], now);
        for (const nlohmann::json& unit : units) EXPECT_EQ(unit["bus"], "i2c:usb=1-2");

        const std::string failed =
            c.unit2 + "; vorlix program " + units[1]["backup"].get<std::string>() + " restores it";
        const std::string out = readText(path("out"));
        EXPECT_NE(out.find("FAIL unit 2: " + failed + "; shift: 1 passed, 1 failed, yield 50.0%\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("shift ended: 3 units, 2 passed, 1 failed, yield 66.6%\n"),
                  std::string::npos)
            << out;
        const std::string err = readText(path("err"));
        const std::string expected = c.told + "vorlix: " + failed +
                                     "\nstation: take the module out\n"
                                     "station: the adapter i2c:usb=1-2 is gone (" +
                                     was +
                                     " went away); waiting for it to come back\n"
                                     "station: the adapter i2c:usb=1-2 is back as " +
                                     now + "\nstation: waiting for unit 3\n";
        EXPECT_NE(err.find(expected), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace vorlix::test
