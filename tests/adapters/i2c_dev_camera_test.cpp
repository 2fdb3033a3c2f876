// The whole camera protocol through the i2c-dev backend and the fake kernel: the same dialog
// actions on the same camera give, line for line, the bus trace, the boxes, the dialog and the
// camera state that the simulated adapter gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_rig.h"
#include "panel/control_ids.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

Lines splitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int countLines(const Lines& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Empty when equal; else the first line that differs, so a failure names the transaction.
std::string firstDifference(const Lines& simulated, const Lines& kernel) {
    for (std::size_t i = 0; i < simulated.size() || i < kernel.size(); ++i) {
        const std::string a = i < simulated.size() ? simulated[i] : "(end)";
        const std::string b = i < kernel.size() ? kernel[i] : "(end)";
        if (a != b) {
            return "line " + std::to_string(i + 1) + ": simulated adapter \"" + a +
                   "\", i2c-dev \"" + b + "\"";
        }
    }
    return "";
}

sim::SimState cameraWithRegister(std::uint16_t reg, std::uint16_t value) {
    sim::SimState state = sim::SimState::builtInDefault();
    state.registers[reg] = value;
    return state;
}

// The same camera on both paths; every action is done on both.
struct BothPaths {
    explicit BothPaths(const sim::SimState& state = sim::SimState::builtInDefault())
        : sim(state), kernel(state) {}

    template <class Actions>
    void run(Actions actions) {
        actions(sim.rig, sim.camera);
        actions(kernel.rig, kernel.camera);
    }

    // Checks that both paths showed and left the same since the last call; returns the trace.
    // notSent: transfers the simulated bus counted but the backend had no form for, so the
    // kernel never carried them.
    Lines expectSame(unsigned notSent = 0) {
        const Lines simTrace = sim.rig.takeTrace();
        const Lines kernelTrace = kernel.rig.takeTrace();
        EXPECT_EQ(firstDifference(simTrace, kernelTrace), "");
        EXPECT_EQ(sim.rig.host.boxes(), kernel.rig.host.boxes());
        EXPECT_EQ(firstDifference(splitLines(sim.rig.dump()), splitLines(kernel.rig.dump())), "");
        EXPECT_EQ(firstDifference(splitLines(sim::formatSimState(sim.camera.state())),
                                  splitLines(sim::formatSimState(kernel.camera.state()))),
                  "");
        EXPECT_EQ(sim.camera.address(), kernel.camera.address());
        EXPECT_EQ(sim.camera.transactions(), kernel.camera.transactions() + notSent);

        // Each transfer had the node to itself, from open to close.
        const Lines& log = kernel.kernel.log;
        const int transfers = countLines(kernelTrace, "W ") + countLines(kernelTrace, "R ") +
                              countLines(kernelTrace, "WR ");
        EXPECT_EQ(countLines(log, "open ") - opensSeen, transfers);
        opensSeen = countLines(log, "open ");
        EXPECT_TRUE(kernel.kernel.openFds().empty());
        EXPECT_TRUE(kernel.hints.empty());
        return simTrace;
    }

    SimPath sim;
    KernelPath kernel;
    int opensSeen = 0;
};

void start(DialogRig& rig, sim::SimCamera&) {
    rig.start();
}

void click(BothPaths& paths, int id) {
    paths.run([id](DialogRig& rig, sim::SimCamera&) { rig.dlg->click(id); });
}

TEST(I2cDevCamera, StartUpReadBackIsTheSameAsThroughTheSimulatedAdapter) {
    BothPaths paths;
    paths.run(start);
    const Lines trace = paths.expectSame();

    EXPECT_EQ(trace.front(), "P 2");  // the search's first probe, at the default address
    EXPECT_EQ(trace.at(1), "W 70 01 a0 fe");
    // The search's byte, the trim block and the trim offsets, one byte read each.
    EXPECT_EQ(countLines(trace, "R 71 1 : "), 1 + 580 + 2);
    EXPECT_EQ(countLines(trace, "B "), 0);
}

TEST(I2cDevCamera, HandlersSendTheSameTransactions) {
    BothPaths paths(cameraWithRegister(0x0A0B, 0x1234));
    paths.run(start);
    paths.expectSame();

    click(paths, IDC_MIRROR);
    Lines trace = paths.expectSame();
    EXPECT_EQ(countLines(trace, "W 70 02 30 1c"), 1);
    EXPECT_EQ(paths.kernel.camera.reg(0x301C) & 1, 1);

    paths.run([](DialogRig& rig, sim::SimCamera&) {
        rig.dlg->click(IDC_READ);
        rig.dlg->paste(IDC_REG_HI, "a");
        rig.dlg->paste(IDC_REG_LO, "b");
        rig.dlg->click(IDC_SEND);
    });
    trace = paths.expectSame();
    EXPECT_EQ(trace.back(), "R 71 2 : 12 34");

    // The trim step talks to the sensor itself: whole register writes at 0xBA and
    // write-then-read pairs at 0xBB, each pair one I2C_RDWR of two messages.
    click(paths, IDC_TRIM_LEFT);
    trace = paths.expectSame();
    EXPECT_GT(countLines(trace, "W ba "), 8);
    EXPECT_GT(countLines(trace, "WR bb 00 40 : "), 0);
    EXPECT_EQ(countLines(trace, "B "), 0);
    EXPECT_EQ(countLines(paths.kernel.kernel.log, "rdwr 3 W5d 00 40, R5d 2"),
              countLines(trace, "WR bb 00 40 : "));
}

TEST(I2cDevCamera, AnAbsentCameraIsSearchedAndToldAlike) {
    sim::SimState absent = sim::SimState::builtInDefault();
    absent.present = false;
    BothPaths paths(absent);
    paths.run(start);
    paths.expectSame();

    click(paths, IDC_SEARCH_ADDRESS);
    const Lines trace = paths.expectSame();
    const Lines probes = [&] {
        Lines writes;
        for (const auto& line : trace)
            if (line.rfind("W ", 0) == 0) writes.push_back(line);
        return writes;
    }();
    ASSERT_EQ(probes.size(), 125u);  // every even address but the sensor's 0xba
    EXPECT_EQ(probes.front(), "W 70 01 a0 fe !15");
    EXPECT_EQ(probes.at(1), "W 00 01 a0 fe !15");
    EXPECT_EQ(probes.back(), "W f8 01 a0 fe !15");
    for (const auto& probe : probes) EXPECT_TRUE(endsWith(probe, " !15")) << probe;
    EXPECT_EQ(paths.kernel.rig.host.boxes().back(),
              "No valid address found, re-power cam and retry.");
}

TEST(I2cDevCamera, InjectedFaultsGiveTheSameBoxes) {
    sim::SimState sensorRefuses = sim::SimState::builtInDefault();
    sensorRefuses.faults.push_back({std::nullopt, kSensorWrite, kStatusNack});
    BothPaths paths(sensorRefuses);
    paths.run(start);
    paths.expectSame();

    click(paths, IDC_TRIM_LEFT);
    Lines trace = paths.expectSame();
    EXPECT_GT(countLines(trace, "B not a correct acknowledge recieved"), 8);
    EXPECT_EQ(countLines(trace, "WR bb 00 40 : 00 00 !5"), countLines(trace, "WR bb"));

    // The fourth transaction of a mirror click is the data phase of its 0x3254 read.
    paths.run([](DialogRig&, sim::SimCamera& camera) {
        camera.state().faults.push_back({camera.transactions() + 4, std::nullopt, kStatusTimeout});
    });
    click(paths, IDC_MIRROR);
    trace = paths.expectSame();
    EXPECT_EQ(countLines(trace, "R 71 2 : 00 00 !4"), 1);
    EXPECT_EQ(countLines(trace, "B TIMEOUT, no response"), 1);
}

TEST(I2cDevCamera, ANewAddressTakesEffectAfterRepowerAlike) {
    BothPaths paths;
    paths.run(start);
    paths.expectSame();

    paths.run([](DialogRig& rig, sim::SimCamera& camera) {
        rig.dlg->paste(IDC_ADDRESS, "72");
        rig.dlg->click(IDC_SET_ADDRESS);
        camera.repower();
        rig.dlg->click(IDC_CONNECT);
    });
    const Lines trace = paths.expectSame();
    EXPECT_EQ(paths.kernel.camera.address(), 0x72);
    EXPECT_EQ(countLines(trace, "R 73 1 : "), 580 + 2 + 1);
}

// An odd address is a read address on the wire: no write reaches the camera there, though
// the kernel could have sent it to the camera's 7-bit address.
TEST(I2cDevCamera, AnOddNewAddressIsStoredAsTypedAndUsedInItsEvenFormAlike) {
    BothPaths paths;
    paths.run(start);
    paths.expectSame();

    paths.run([](DialogRig& rig, sim::SimCamera&) {
        rig.dlg->paste(IDC_ADDRESS, "71");
        rig.dlg->click(IDC_SET_ADDRESS);
        rig.dlg->click(IDC_MIRROR);
    });
    // No command ever goes to the odd (read) form of an address.
    const Lines trace = paths.expectSame();
    EXPECT_EQ(countLines(trace, "W 71 "), 0);
    EXPECT_EQ(countLines(trace, "W 70 02 30 1c"), 1);
    EXPECT_EQ(paths.kernel.camera.eeprom(0xA6, 0x50), 0x71);
}

std::uint8_t pattern(std::size_t n) {
    return static_cast<std::uint8_t>(n * 7 + 3);
}

// A script file for all four banks: 1024 pairs of pattern, 16 a line under a comment.
class ScriptFile {
public:
    ScriptFile()
        : path_(std::filesystem::temp_directory_path() /
                ("vorlix_i2c_dev_" + std::to_string(::getpid()) + ".qef")) {
        std::ofstream out(path_, std::ios::binary);
        out << "// all four banks\n";
        char pair[4];
        for (std::size_t n = 0; n < 1024; ++n) {
            std::snprintf(pair, sizeof pair, "%02x", pattern(n));
            out << pair << (n % 16 == 15 ? "\r\n" : " ");
        }
    }
    ~ScriptFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

void programScript(BothPaths& paths, const std::string& path) {
    paths.run([&path](DialogRig& rig, sim::SimCamera&) {
        rig.host.queueFileAnswer(path);
        rig.dlg->click(IDC_BROWSE);
        rig.dlg->click(IDC_LOAD_EEPROM);
    });
}

TEST(I2cDevCamera, AProgrammingRunWritesAndVerifiesTheSameBytes) {
    const ScriptFile script;
    BothPaths paths;
    paths.run(start);
    paths.expectSame();

    programScript(paths, script.path());
    Lines trace = paths.expectSame();
    EXPECT_EQ(countLines(trace, "W 70 24 "), 64);  // sixteen-byte pages, each its own message
    EXPECT_EQ(countLines(trace, "R 71 1 : "), 1024);
    EXPECT_EQ(countLines(trace, "B "), 0);
    EXPECT_EQ(paths.kernel.camera.eeprom(0xA0, 0x00), pattern(0));
    EXPECT_EQ(paths.kernel.camera.eeprom(0xA6, 0xFF), pattern(1023));

    // A bus held by another master on the fifth page's data phase stops the run there.
    paths.run([](DialogRig&, sim::SimCamera& camera) {
        camera.state().faults.push_back({camera.transactions() + 2 * 5, std::nullopt, kStatusBusy});
    });
    programScript(paths, script.path());
    trace = paths.expectSame();
    EXPECT_EQ(countLines(trace, "W 70 24 "), 5);
    EXPECT_EQ(countLines(trace, "B error bus is bussy or occupied"), 1);
    EXPECT_EQ(countLines(trace, "R 71 1 : "), 0);
}

}  // namespace
}  // namespace vorlix::test
