// info and verify as a production line runs them: exit status, the line that matters on
// standard output, and nothing written into the EEPROM.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands_fixture.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

TEST_F(Commands, WhatEachCommandSaysAndItsExitStatus) {
    makeScripts();
    const struct {
        const char* what;
        std::string state;
        std::vector<std::string> args;
        int status;
        std::string out;  // a part of standard output
        std::string err;  // standard error, whole
    } cases[] = {
        {"info",
         "{\"registers\": {\"4000\": \"0002\", \"a804\": \"000f\", \"a812\": \"0040\"}}",
         {"info"},
         0,
         "camera address: 70\ntv mode: PAL\nexposure: automatic\naex reference: 40\n",
         ""},
        {"info as JSON", "{}", {"info", "--json"}, 0, "  \"address\": \"70\",\n", ""},
        {"info, the camera at 42",
         "{\"eeprom\": {\"a6\": \"" + std::string(160, 'f') + "42" + std::string(350, 'f') + "\"}}",
         {"info"},
         0,
         "camera address: 42\n",
         ""},
        {"no camera",
         "{\"present\": false}",
         {"info"},
         1,
         "",
         "vorlix: No valid address found, re-power cam and retry.\n"},
        {"a read fails mid-way",
         "{\"faults\": [{\"at\": 6, \"status\": 5}]}",
         {"info"},
         1,
         "camera address: 70\nmirror: off\nflip: off\n",
         "vorlix: not a correct acknowledge recieved\nvorlix: the read-back stopped at a failed "
         "transfer; what follows it was not read\n"},
        {"verify, equal", "{}", {"verify", path("same.qef")}, 0, "the EEPROM equals ", ""},
        {"verify, one byte differs",
         "{}",
         {"verify", path("diff.qef")},
         1,
         "bank a2 offset a5: camera " + before_ + ", file " + std::to_string(std::stoi(after_)) +
             "\n1 byte differs from ",
         ""},
    };
    for (const auto& c : cases) {
        writeText(state_, c.state);
        const Ran ran = command(c.args);
        EXPECT_EQ(ran.status, c.status) << c.what << ": " << ran.stderrText;
        EXPECT_NE(out().find(c.out), std::string::npos) << c.what << ": " << out();
        EXPECT_EQ(ran.stderrText, c.err) << c.what;
        EXPECT_FALSE(writesEeprom(trace())) << c.what << " wrote into the EEPROM";
    }
}

}  // namespace
