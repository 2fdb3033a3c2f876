// What every command checks before the bus: a bad argument or file is one line, exit status 2,
// nothing on the bus and the camera as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands_fixture.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

TEST_F(Commands, BadInputIsOneLineAndNothingOnTheBus) {
    makeScripts();
    std::string shortQef;
    for (int i = 0; i < 100; ++i) shortQef += "5a ";
    writeText(path("short.qef"), shortQef);
    std::string typo = readText(path("same.qef"));
    typo.replace(typo.find("// bank a0\n") + 11 + 2 * 48 + 3, 2, "zz");
    writeText(path("typo.qef"), typo);
    writeText(path("exists.qef"), "kept");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {"a short script",
         {"program", path("short.qef")},
         path("short.qef") +
             ": holds 100 of the 1024 EEPROM bytes; a script for the camera gives every one"},
        {"no hex byte",
         {"verify", path("typo.qef")},
         path("typo.qef") + ": line 10: \"zz\" is no hex byte (the pair for bank a0 offset 21)"},
        {"a missing script",
         {"program", path("none.qef")},
         "cannot open " + path("none.qef") + ": No such file or directory"},
        {"a backup over a file",
         {"backup", path("exists.qef")},
         path("exists.qef") +
             " exists; a backup never replaces a file (remove it or name another)"},
        {"a command with a script",
         {"--headless", "info"},
         "--headless, --actions and --dump belong to the window's script; a command runs without "
         "them"},
        {"a record to standard output",
         {"--record", "-", "info"},
         "--record needs a file name (records are appended to a file)"},
        // An empty value is a mistake, never the default nor "none".
        {"an empty record",
         {"--record", "", "info"},
         "--record needs a file name (leave the option out for no record)"},
        {"an empty offset",
         {"erase-settings", "--yes", "--offset", ""},
         "--offset needs a value: the offset in bank a0 as a hex byte (00 to ff), or leave the "
         "option out for 00"},
        {"an empty backup", {"backup", ""}, "backup needs the name of a QEF file; \"\" names none"},
        {"an empty script to verify",
         {"verify", ""},
         "verify needs the name of a QEF file; \"\" names none"},
        {"an empty script to program",
         {"program", ""},
         "program needs the name of a QEF file; \"\" names none"},
    };
    for (const auto& c : cases) {
        writeText(state_, "{}");
        const Ran ran = command(c.args);
        EXPECT_EQ(ran.status, 2) << c.what;
        EXPECT_EQ(ran.stderrText, "vorlix: " + c.err + "\n") << c.what;
        EXPECT_FALSE(fs::exists(trace_)) << c.what << ": something went on the bus";
        EXPECT_EQ(readText(state_), "{}") << c.what;
    }
    EXPECT_EQ(readText(path("exists.qef")), "kept");
}

}  // namespace
