// A failed transfer wherever it falls in a command that writes: the run ends with exit 1, its
// record never says done, and once anything went into the EEPROM the line it ends with names
// the backup that restores the camera, --quiet or not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "link/trace.h"
#include "sim/sim_camera.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::app {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string trace, err;
    std::uint32_t transactions = 0;
};

// The command on the default camera (a blank one: every byte ff) with a fault of status 5 at
// transaction `at` (none: 0), in process: its status, trace and standard error.
Ran runWithFault(const Options& options, bool blank, std::uint32_t at) {
    CommandInput input;
    const io::Expected<> prepared = prepareCommand(options, input);
    EXPECT_TRUE(prepared) << prepared.why();
    sim::SimState state =
        blank ? *sim::parseSimState("{}", "blank") : sim::SimState::builtInDefault();
    if (at != 0) state.faults.push_back({.at = at, .slave = std::nullopt, .status = 5});
    sim::SimCamera camera(std::move(state));
    sim::SimAdapter adapter(camera);
    std::ostringstream traceText, out, err;
    Trace trace(&traceText);
    TracingAdapter traced(adapter, trace);
    VirtualPacer clock;
    TracingPacer pacer(clock, trace);
    std::function<int(int)> lastWords;
    Ran ran;
    ran.status = runCommand(options, input, {traced, pacer, trace, out, err, lastWords});
    ran.trace = traceText.str();
    ran.err = err.str();
    ran.transactions = camera.transactions();
    return ran;
}

// The number (from 1) of the first transaction that writes into the EEPROM: a page, or a byte
// of a bank.
std::uint32_t firstEepromWrite(const std::string& trace) {
    std::istringstream lines(trace);
    std::uint32_t n = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("W ", 0) != 0 && line.rfind("R ", 0) != 0 && line.rfind("WR ", 0) != 0)
            continue;
        ++n;
        if (line.rfind("W 70 24 ", 0) == 0 || line.rfind("W 70 00 a", 0) == 0) return n;
    }
    return 0;
}

TEST(FailedTransfers, EndTheRunAsFailedAndNameTheBackupOnceAnythingWasWritten) {
    const test::ScratchDir scratch;
    ::setenv("XDG_DATA_HOME", scratch.path("data").c_str(), 1);
    const std::string script =
        (fs::path(VORLIX_README).parent_path() / "samples" / "example.qef").string();
    const std::string record = scratch.path("r.jsonl");
    struct Case {
        const char* name;
        std::string file, newAddress;
        bool blank;
    };
    const Case cases[] = {{"program", script, "", true},
                          {"save-settings", "", "", false},
                          {"erase-settings", "", "", false},
                          {"set-address", "", "72", false}};
    // Every 23rd transaction after the search's first probe (the camera at 70: its header and
    // read are the first two; a probe that fails sends the search on, as it should).
    constexpr std::uint32_t kStride = 23, kFirst = 3;
    for (const Case& c : cases) {
        for (const bool quiet : {false, true}) {
            Options options;
            options.quiet = quiet;
            options.record = record;
            options.command.name = c.name;
            options.command.file = c.file;
            options.command.yes = true;
            options.command.newAddress = c.newAddress;
            const Ran clean = runWithFault(options, c.blank, 0);
            ASSERT_EQ(clean.status, kCommandDone) << c.name << ": " << clean.err;
            const std::uint32_t written = firstEepromWrite(clean.trace);
            ASSERT_NE(written, 0u) << c.name;
            for (std::uint32_t at = kFirst; at <= clean.transactions; at += kStride) {
                fs::remove(record);
                const Ran ran = runWithFault(options, c.blank, at);
                const std::string where = std::string(c.name) + (quiet ? " --quiet" : "") +
                                          ", failed transfer " + std::to_string(at);
                EXPECT_EQ(ran.status, kCameraFailed) << where << ": " << ran.err;
                std::istringstream lines(test::readText(record));
                std::string line, last;
                while (std::getline(lines, line)) last = line;
                const nlohmann::json j = nlohmann::json::parse(last);
                EXPECT_TRUE(j["result"] == "failed" || j["result"] == "no backup")
                    << where << ": " << j["result"];
                if (at <= written) continue;
                const std::string backup = j["backup"].get<std::string>();
                const std::string hint = "; vorlix program " + backup + " restores it\n";
                ASSERT_GE(ran.err.size(), hint.size()) << where;
                EXPECT_EQ(ran.err.substr(ran.err.size() - hint.size()), hint) << where;
            }
        }
    }
}

}  // namespace
}  // namespace vorlix::app
