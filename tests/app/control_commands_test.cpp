// The single settings on the command line against the window: every control changed by set
// leaves the camera as the same change made in the window does, a second set sends no write,
// and a profile carries one camera's settings onto another.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "commands_fixture.h"

namespace {

using namespace vorlix::apptest;

class Controls : public Commands {
protected:
    // The built-in camera's state with some registers and EEPROM bytes ("a4:ff") changed.
    std::string camera(const std::map<std::string, std::string>& changed) {
        const std::string fresh = path("fresh.json");
        if (!fs::exists(fresh)) {
            EXPECT_EQ(run({"--virtual-time", "--sim-state", fresh, "get", "address"}).status, 0);
        }
        json state = json::parse(readText(fresh));
        for (const auto& [key, value] : changed) {
            if (key.size() == 5 && key[2] == ':') {
                std::string bank = state["eeprom"][key.substr(0, 2)];
                bank.replace(2 * std::stoul(key.substr(3), nullptr, 16), 2, value);
                state["eeprom"][key.substr(0, 2)] = bank;
            } else {
                state["registers"][key] = value;
            }
        }
        return state.dump(2);
    }

    // The registers and the EEPROM a run left in a state file.
    std::string cameraIn(const std::string& file) const {
        const json state = json::parse(readText(file));
        return state["registers"].dump() + state["eeprom"].dump();
    }
};

// The window's write commands and the sensor writes of a trim upload.
int writes(const std::string& trace) {
    int n = 0;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        for (const char* write : {"W 70 00 ", "W 70 02 ", "W 70 24 ", "W ba "})
            n += line.rfind(write, 0) == 0;
    }
    return n;
}

TEST_F(Controls, SetLeavesTheCameraAsTheWindowDoesAndASecondSetWritesNothing) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> camera;
        std::vector<std::string> clicks;  // the window's actions
        std::vector<std::string> set;
    };
    const Case cases[] = {
        {"exposure manual", {}, {"click 1000"}, {"exposure=manual"}},
        {"exposure auto", {{"a804", "0000"}}, {"click 1000"}, {"exposure=auto"}},
        {"shutter", {{"a804", "0000"}}, {"paste 1003 1a0"}, {"shutter=1a0"}},
        {"aex reference", {}, {"paste 1004 7f"}, {"aex-reference=7f"}},
        {"white balance held", {}, {"click 1005", "click 1010"}, {"white-balance=held"}},
        {"white balance automatic",
         {{"ac04", "0000"}},
         {"click 1005"},
         {"white-balance=automatic"}},
        {"white balance running",
         {{"ac04", "0000"}},
         {"click 1010", "click 1010"},
         {"white-balance=running"}},
        {"mirror on", {}, {"click 1014"}, {"mirror=on"}},
        {"mirror off", {{"301c", "0003"}, {"a4:ff", "06"}}, {"click 1014"}, {"mirror=off"}},
        {"flip on", {}, {"click 1015"}, {"flip=on"}},
        {"flip off", {{"301c", "0102"}}, {"click 1015"}, {"flip=off"}},
        {"overlay off", {}, {"click 1060"}, {"overlay=off"}},
        {"overlay on", {{"4f02", "0000"}}, {"click 1060"}, {"overlay=on"}},
        {"overlays 1 to 4",
         {},
         {"click 1029", "click 1028", "click 1030", "click 1031"},
         {"overlay-1=off", "overlay-2=on", "overlay-3=off", "overlay-4=on"}},
        {"sharpness", {}, {"paste 1070 5"}, {"sharpness=5"}},
        {"trim stored",
         {},
         {"click 1071", "click 1074", "click 1074", "click 1075"},
         {"trim-x=12", "trim-y=8", "--store"}},
        {"mirror, flip, manual, shutter and gain",
         {},
         {"click 1014", "click 1015", "click 1000", "paste 1003 1a0", "paste 1070 5"},
         {"mirror=on", "flip=on", "exposure=manual", "shutter=1a0", "sharpness=5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string start = camera(c.camera);
        const std::string window = path("window.json"), actions = path("window.actions");
        std::string script;
        for (const std::string& click : c.clicks) script += click + "\n";
        writeText(actions, script + "enter\n");
        writeText(window, start);
        const Ran clicked = run({"--virtual-time", "--no-backup", "--sim-state", window,
                                 "--headless", "--actions", actions});
        ASSERT_EQ(clicked.status, 0) << clicked.stderrText;

        writeText(state_, start);
        std::vector<std::string> args{"--no-backup", "set"};
        args.insert(args.end(), c.set.begin(), c.set.end());
        Ran set = command(args);
        ASSERT_EQ(set.status, 0) << set.stderrText;
        EXPECT_EQ(cameraIn(state_), cameraIn(window));
        EXPECT_GT(writes(trace()), 0);

        set = command(args);
        ASSERT_EQ(set.status, 0) << set.stderrText;
        EXPECT_EQ(writes(trace()), 0) << trace();
        EXPECT_EQ(out(), "");
    }
}

// A backup comes before mirror's shadow, and only before what writes the EEPROM.
TEST_F(Controls, SetBacksUpBeforeTheFirstEepromWriteOnly) {
    writeText(state_, camera({}));
    Ran ran = command({"set", "sharpness=6", "overlay=off"});
    ASSERT_EQ(ran.status, 0) << ran.stderrText;
    EXPECT_TRUE(backups().empty());
    ran = command({"set", "flip=on", "mirror=on"});
    ASSERT_EQ(ran.status, 0) << ran.stderrText;
    ASSERT_EQ(backups().size(), 1u);
    const std::string t = trace();
    EXPECT_LT(t.rfind("W 70 01 a7 ff"), t.find("W 70 00 a4 fe"));  // the backup's last read
    EXPECT_EQ(out(), "backup: " + backups().front().string() + "\n");
}

TEST_F(Controls, AProfileOfOneCameraMakesAnotherEqualInEveryControl) {
    writeText(state_, camera({}));
    ASSERT_EQ(command({"--no-backup", "set", "exposure=manual", "shutter=100", "mirror=on",
                       "overlay-2=on", "sharpness=2", "white-balance=held", "trim-x=1c", "--store"})
                  .status,
              0);
    ASSERT_EQ(command({"get", "--json"}).status, 0);
    const std::string profile = out();
    writeText(path("profile.json"), profile);
    EXPECT_EQ(json::parse(profile)["trim-x"], "1c");

    writeText(state_, camera({}));
    const Ran ran = command({"--no-backup", "set", "--from", path("profile.json"), "--store"});
    ASSERT_EQ(ran.status, 0) << ran.stderrText;
    ASSERT_EQ(command({"get", "--json"}).status, 0);
    EXPECT_EQ(out(), profile);
}

}  // namespace
