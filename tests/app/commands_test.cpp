// The commands as a production line runs them: exit status, the line that matters on standard
// output, what went on the bus, and the camera's EEPROM afterwards.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "io/sha256.h"
#include "program_fixture.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;
using json = nlohmann::json;

// Whether a trace shows a write into the EEPROM: a page write or an 8-bit write to a bank.
bool writesEeprom(const std::string& trace) {
    if (trace.find("W 70 24 ") != std::string::npos) return true;
    for (const char* bank : {"W 70 00 a0 ", "W 70 00 a2 ", "W 70 00 a4 ", "W 70 00 a6 "})
        if (trace.find(bank) != std::string::npos) return true;
    return false;
}

// The data lines of a QEF text (its comments left out).
std::string qefData(const std::string& text) {
    std::istringstream in(text);
    std::string line, data;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '/') data += line + "\n";
    return data;
}

class Commands : public Program {
protected:
    // vorlix on the test's state with virtual time and a trace; standard output kept.
    Ran command(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--virtual-time", "--sim-state", state_, "--trace", trace_};
        all.insert(all.end(), args.begin(), args.end());
        fs::remove(trace_);
        return run(all, path("stdout"));
    }
    std::string out() const { return readText(path("stdout")); }
    std::string trace() const { return readText(trace_); }
    // The four banks of the state file, as one hex text.
    std::string eeprom() const {
        const json state = json::parse(readText(state_));
        std::string banks;
        for (const char* bank : {"a0", "a2", "a4", "a6"})
            banks += state["eeprom"][bank].get<std::string>();
        return banks;
    }
    std::vector<fs::path> backups() const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_ / "data/vorlix/backups", ec))
            found.push_back(entry.path());
        return found;
    }

    // The default camera backed up into same.qef, and diff.qef with the byte of bank a2
    // offset a5 changed.
    void makeScripts() {
        writeText(state_, "{}");
        ASSERT_EQ(command({"backup", path("same.qef")}).status, 0);
        original_ = eeprom();
        std::string text = readText(path("same.qef"));
        const std::size_t bankA2 = text.find("// bank a2\n") + 11;
        const std::size_t at = bankA2 + 10 * 48 + 5 * 3;  // page a0, entry 5
        before_ = text.substr(at, 2);
        text.replace(at, 2, before_ == "00" ? "01" : "00");
        after_ = text.substr(at, 2);
        writeText(path("diff.qef"), text);
    }

    std::string original_, before_, after_;
};

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

// Restoring is programming the backup: the EEPROM is then byte for byte what it was.
TEST_F(Commands, ABackupProgrammedBackRestoresTheEepromExactly) {
    makeScripts();
    Ran ran = command({"program", path("diff.qef")});
    ASSERT_EQ(ran.status, 0) << ran.stderrText;
    ASSERT_EQ(backups().size(), 1u);
    const fs::path backup = backups().front();
    EXPECT_EQ(backup.parent_path(), dir_ / "data/vorlix/backups");
    EXPECT_EQ(backup.string().substr(backup.string().size() - 10), "-cam70.qef");
    EXPECT_EQ(out(), "backup: " + backup.string() + "\nprogrammed and verified " +
                         path("diff.qef") + "\n");
    EXPECT_EQ(qefData(readText(backup)), qefData(readText(path("same.qef"))));
    EXPECT_NE(eeprom(), original_);

    // Without a backup the traffic is the search and then the pages at once.
    ran = command({"--no-backup", "program", backup.string()});
    EXPECT_EQ(ran.status, 0) << ran.stderrText;
    EXPECT_EQ(eeprom(), original_);
    EXPECT_EQ(backups().size(), 1u);
    const std::string t = trace();
    const std::string beforePages = t.substr(0, t.find("W 70 24 "));
    EXPECT_EQ(beforePages, "P 2\nW 70 01 a0 fe\nR 71 1 : ff\n");
}

TEST_F(Commands, NothingIsWrittenWithoutACompleteBackup) {
    makeScripts();
    writeText(path("data"), "a file where the data folder should be");
    Ran ran = command({"program", path("diff.qef")});
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.stderrText.find("vorlix: cannot create the backup folder " + path("data") +
                                  "/vorlix/backups: "),
              std::string::npos)
        << ran.stderrText;
    EXPECT_FALSE(writesEeprom(trace()));
    fs::remove(path("data"));

    // A read of the backup fails: the person is told where, and no file is left.
    writeText(state_, "{\"faults\": [{\"at\": 300, \"status\": 5}]}");
    ran = command({"program", path("diff.qef")});
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.stderrText.find("vorlix: no backup, so nothing was written: reading the EEPROM "
                                  "failed at bank a0 offset 94\n"),
              std::string::npos)
        << ran.stderrText;
    EXPECT_FALSE(writesEeprom(trace()));
    EXPECT_TRUE(backups().empty());
}

TEST_F(Commands, RecordsAppendOneLinePerRunAndKeepALineThatWasCutShort) {
    makeScripts();
    writeText(path("r.jsonl"), "{\"cut\": tr");
    writeText(state_, "{}");
    EXPECT_EQ(command({"--record", path("r.jsonl"), "verify", path("same.qef")}).status, 0);
    EXPECT_EQ(command({"verify", path("diff.qef"), "--record", path("r.jsonl")}).status, 1);
    std::istringstream lines(readText(path("r.jsonl")));
    std::string cut, first, second, more;
    std::getline(lines, cut);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(cut, "{\"cut\": tr");
    EXPECT_FALSE(std::getline(lines, more));
    const json a = json::parse(first), b = json::parse(second);
    EXPECT_EQ(a["command"], "verify");
    EXPECT_EQ(a["result"], "verified");
    EXPECT_EQ(a["camera"], "70");
    EXPECT_EQ(a["bus"], "sim");
    EXPECT_EQ(a["script"], path("same.qef"));
    EXPECT_EQ(a["sha256"], vorlix::io::sha256Hex(readText(path("same.qef"))));
    EXPECT_TRUE(a["backup"].is_null());
    EXPECT_EQ(b["result"], "differs");
    EXPECT_EQ(b["status"], 1);
    EXPECT_EQ(b["difference"]["bank"], "a2");
    EXPECT_EQ(b["difference"]["offset"], "a5");
    for (const char* key : {"time", "version", "durationMs"}) EXPECT_TRUE(b.contains(key)) << key;
}

// The commands that write: each backs the camera up first (the reads before its first EEPROM
// write are the backup's 1024), and with --no-backup writes at once.
TEST_F(Commands, SettingsAndAddressCommandsBackUpFirstAndChangeWhatTheySay) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;     // the last line of standard output
        std::string a0, a6;  // bank a0 offsets 10..13 and bank a6 offset 50 afterwards
    } cases[] = {
        {"save at 10",
         {"save-settings", "--offset", "10"},
         "saved 28 bytes of settings at bank a0 offset 10\n",
         "301c0001",
         "ff"},
        {"erase",
         {"erase-settings", "--yes"},
         "erased bank a0 from offset 00 and the stored address: the camera answers at 70 after its "
         "next power-up\n",
         "ffffffff",
         "ff"},
        {"set the address",
         {"set-address", "0x72"},
         "You MUST re-power camera now: it answers at 72 after that\n",
         "00000000",
         "72"},
    };
    const std::string state =
        "{\"registers\": {\"301c\": \"0001\", \"ac04\": \"00ff\"}, \"eeprom\": {\"a0\": \"" +
        std::string(512, '0') + "\"}}";
    for (const auto& c : cases) {
        for (const bool backup : {true, false}) {
            writeText(state_, state);
            std::vector<std::string> args = c.args;
            if (!backup) args.insert(args.begin(), "--no-backup");
            const Ran ran = command(args);
            EXPECT_EQ(ran.status, 0) << c.what << ": " << ran.stderrText;
            const std::string text = out();
            EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.out) << c.what;
            EXPECT_EQ(eeprom().substr(2 * 0x10, 8), c.a0) << c.what;
            EXPECT_EQ(eeprom().substr(3 * 512 + 2 * 0x50, 2), c.a6) << c.what;
            const std::string t = trace();
            const std::string before =
                t.substr(0, t.find(c.args[0] == "set-address" ? "W 70 00 a6 " : "W 70 24 a0 "));
            std::size_t bankReads = 0;
            for (std::size_t at = before.find("W 70 01 a"); at != std::string::npos;
                 at = before.find("W 70 01 a", at + 1))
                ++bankReads;
            // The search's probe is a bank read header too; save reads the trim marker.
            const std::size_t ownReads = c.args[0] == "save-settings" ? 2 : 1;
            EXPECT_EQ(bankReads, ownReads + (backup ? 1024 : 0)) << c.what << " backup " << backup;
        }
    }
    EXPECT_EQ(backups().size(), 3u);

    // A held white balance is captured from the camera and stored with the settings: the
    // 28 registers of the walk, each as the camera gave it.
    writeText(state_, "{\"registers\": {\"ac04\": \"0000\", \"ac4e\": \"1234\"}}");
    const Ran ran = command({"--no-backup", "--quiet", "save-settings"});
    EXPECT_EQ(ran.status, 0) << ran.stderrText;
    EXPECT_EQ(out(), "saved 140 bytes of settings at bank a0 offset 00\n");
    EXPECT_EQ(eeprom().substr(2 * (8 + 27 * 4), 8), "ac4e1234");
}

// In the window (here headless), the first EEPROM write of the run is preceded by the same
// backup, once; without a backup the write is refused in a box and nothing is written.
TEST_F(Commands, TheWindowBacksUpOnceBeforeItsFirstEepromWrite) {
    makeScripts();
    writeText(path("p.act"), "file " + path("same.qef") + "\nclick 1032\nclick 1061\nclick 1061\n");
    const std::vector<std::string> args{"--headless", "--actions", path("p.act")};
    writeText(state_, "{}");
    EXPECT_EQ(command(args).status, 0);
    const std::string withBackup = trace();
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(qefData(readText(backups().front())), qefData(readText(path("same.qef"))));

    writeText(state_, "{}");
    std::vector<std::string> plain = args;
    plain.insert(plain.begin(), "--no-backup");
    EXPECT_EQ(command(plain).status, 0);
    const std::string without = trace();
    const std::size_t firstPage = without.find("W 70 24 ");
    ASSERT_NE(firstPage, std::string::npos);
    // The same run with the backup's reads before the first page, and nothing else added.
    EXPECT_EQ(withBackup.substr(0, firstPage), without.substr(0, firstPage));
    EXPECT_EQ(withBackup.size() - without.size(), withBackup.find("W 70 24 ") - firstPage);
    EXPECT_EQ(backups().size(), 1u);

    fs::remove_all(path("data"));
    writeText(path("data"), "no folder");
    writeText(state_, "{}");
    EXPECT_EQ(command(args).status, 0);
    EXPECT_NE(trace().find("B cannot create the backup folder " + path("data") + "/vorlix/backups"),
              std::string::npos);
    EXPECT_FALSE(writesEeprom(trace()));
}

}  // namespace
