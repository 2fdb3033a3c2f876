// The commands that write the EEPROM: the backup first, what they leave in the camera and
// what they say, and how an interrupted one ends.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "commands_fixture.h"
#include "io/hex.h"
#include "io/sha256.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The SHA-256 of the EEPROM's 1024 bytes, given as the state file's hex text.
std::string sha256OfBanks(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return vorlix::io::sha256Hex(bytes);
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
                         path("diff.qef") + ": 1 of 64 pages written\n");
    EXPECT_EQ(qefData(readText(backup)), qefData(readText(path("same.qef"))));
    EXPECT_NE(eeprom(), original_);

    // Without a backup, every page: the traffic is the search and then the pages at once.
    ran = command({"--no-backup", "program", "--all-pages", backup.string()});
    EXPECT_EQ(ran.status, 0) << ran.stderrText;
    EXPECT_EQ(eeprom(), original_);
    EXPECT_EQ(backups().size(), 1u);
    const std::string t = trace();
    const std::string beforePages = t.substr(0, t.find("W 70 24 "));
    EXPECT_EQ(beforePages, "P 2\nW 70 01 a0 fe\nR 71 1 : ff\n");
    EXPECT_EQ(count(t, "W 70 24 "), 64);
}

// The read before the first write (the backup, or with --no-backup one of its own) says which
// pages differ; only those go out, and all 1024 bytes are read back after them. A camera that
// holds the file is left alone: that read was the verification.
TEST_F(Commands, ProgramWritesOnlyThePagesThatDifferAndRecordsWhatItDid) {
    makeScripts();
    const std::string same = path("same.qef"), diff = path("diff.qef"), record = path("r.jsonl");
    const struct {
        std::vector<std::string> args;
        std::string said;
        std::size_t pages, reads, backups;  // reads besides the search's one
        std::string page;                   // the one page written
    } runs[] = {
        {{"program", same},
         "the EEPROM already equals " + same + ": 0 of 64 pages written",
         0,
         1024,
         1,
         ""},
        {{"program", diff},
         "programmed and verified " + diff + ": 1 of 64 pages written",
         1,
         2048,
         2,
         "W 70 24 a2 a0"},
        {{"--no-backup", "program", same},
         "programmed and verified " + same + ": 1 of 64 pages written",
         1,
         2048,
         2,
         "W 70 24 a2 a0"},
        {{"--no-backup", "program", same},
         "the EEPROM already equals " + same + ": 0 of 64 pages written",
         0,
         1024,
         2,
         ""},
    };
    for (const auto& r : runs) {
        const std::string before = eeprom();
        std::vector<std::string> args{"--quiet", "--record", record};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const Ran ran = command(args);
        ASSERT_EQ(ran.status, 0) << ran.stderrText;
        EXPECT_EQ(out(), r.said + "\n");
        const std::string t = trace();
        EXPECT_EQ(count(t, "W 70 24 "), r.pages) << r.said;
        if (!r.page.empty()) {
            EXPECT_NE(t.find(r.page + "\n"), std::string::npos) << t;
        }
        EXPECT_EQ(count(t, "R 71 1 : "), 1 + r.reads) << r.said;
        EXPECT_EQ(backups().size(), r.backups);

        std::istringstream lines(readText(record));
        std::string line, last;
        while (std::getline(lines, line)) last = line;
        const json j = json::parse(last);
        EXPECT_EQ(j["pages_written"], r.pages);
        EXPECT_EQ(j["sha256_before"], sha256OfBanks(before));
        EXPECT_EQ(j["sha256_after"], sha256OfBanks(eeprom()));
        EXPECT_EQ(j["result"], "verified");
    }
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
         "settings saved in bank a0 from offset 10 (28 bytes)\n",
         "301c0001",
         "ff"},
        {"erase",
         {"erase-settings", "--yes"},
         "settings erased in bank a0 from offset 00, stored camera address cleared: the camera "
         "answers at 70 after its next power-up\n",
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
    EXPECT_EQ(out(), "settings saved in bank a0 from offset 00 (140 bytes)\n");
    EXPECT_EQ(eeprom().substr(2 * (8 + 27 * 4), 8), "ac4e1234");
}

// The trace's transfers: one a transaction, in the order the simulated camera counts them.
std::vector<std::string> transfers(const std::string& trace) {
    std::istringstream lines(trace);
    std::vector<std::string> found;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("W ", 0) == 0 || line.rfind("R ", 0) == 0 || line.rfind("WR ", 0) == 0)
            found.push_back(line);
    }
    return found;
}

// The number (from 1) of the transaction that is the nth transfer starting with prefix.
std::uint32_t transactionOf(const std::string& trace, const std::string& prefix, int nth) {
    const std::vector<std::string> all = transfers(trace);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].rfind(prefix, 0) == 0 && --nth == 0) return static_cast<std::uint32_t>(i + 1);
    }
    ADD_FAILURE() << "no transfer " << prefix;
    return 0;
}

// Ctrl-C while a command is on the bus, delivered by the simulated camera during one chosen
// transaction: that transaction completes and none follows it, one line says how far the
// command got, the record says interrupted, and the exit status is 130.
TEST_F(Commands, AnInterruptedCommandSaysHowFarItGotAndRecordsIt) {
    makeScripts();
    const std::string settings =
        "{\"registers\": {\"301c\": \"0001\", \"ac04\": \"00ff\"}, \"eeprom\": {\"a0\": \"" +
        std::string(512, '0') + "\"}}";
    const std::string diff = path("diff.qef");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string marker;  // the signal comes during the nth transaction of this line, moved
        int nth, shift;      // by shift
        std::string line;
    } cases[] = {
        {"program, the third page",
         {"--no-backup", "program", "--all-pages", diff},
         "W 70 24 ",
         3,
         +1,
         "interrupted after 3 of 64 pages: the EEPROM holds part of " + diff},
        {"program, reading back",
         {"--no-backup", "program", "--all-pages", diff},
         "W 70 01 a1 00",
         1,
         0,
         "interrupted while reading back: the EEPROM was written but not verified"},
        {"program, its backup",
         {"program", diff},
         "W 70 01 a1 00",
         1,
         0,
         "interrupted before anything was written"},
        {"program, the read that finds what differs",
         {"--no-backup", "program", diff},
         "W 70 01 a1 00",
         1,
         0,
         "interrupted before anything was written"},
        {"save-settings, the erase",
         {"--no-backup", "save-settings"},
         "W 70 24 a0 ",
         2,
         +1,
         "interrupted after 2 of 16 pages of the erase: the settings area is erased in part"},
        {"save-settings, the settings",
         {"--no-backup", "save-settings"},
         "W 70 00 a0 ",
         5,
         +1,
         "interrupted after 5 of 28 bytes of the settings: the settings area holds part of them"},
        {"erase-settings, the erase",
         {"--no-backup", "erase-settings", "--yes"},
         "W 70 24 a0 ",
         1,
         +1,
         "interrupted after 1 of 16 pages of the erase: the settings area is erased in part and "
         "the stored address is as it was"},
        {"erase-settings, before the address",
         {"--no-backup", "erase-settings", "--yes"},
         "W 70 00 a6 50",
         1,
         -1,
         "interrupted after the erase: the settings area is erased, but the stored address is as "
         "it was"},
        {"set-address, before the write",
         {"--no-backup", "set-address", "72"},
         "W 70 00 a6 50",
         1,
         -1,
         "interrupted before anything was written"},
        {"verify", {"verify", diff}, "W 70 01 a1 00", 1, 0, "interrupted"},
    };
    for (const auto& c : cases) {
        writeText(state_, settings);
        ASSERT_NE(command(c.args).status, 130) << c.what;
        const std::uint32_t at = transactionOf(trace(), c.marker, c.nth) + c.shift;
        json state = json::parse(settings);
        state["faults"] = {{{"at", at}, {"signal", 2}}};
        writeText(state_, state.dump());
        fs::remove(path("r.jsonl"));
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--record", path("r.jsonl")});
        const Ran ran = command(args);
        EXPECT_EQ(ran.status, 130) << c.what;
        const std::string& err = ran.stderrText;
        EXPECT_EQ(err.substr(err.rfind("vorlix: ")), "vorlix: " + c.line + "\n") << c.what;
        EXPECT_EQ(transfers(trace()).size(), at) << c.what << ": the run went on";
        const json record = json::parse(readText(path("r.jsonl")));
        EXPECT_EQ(record["result"], "interrupted") << c.what;
        EXPECT_EQ(record["status"], 130) << c.what;
    }
}

// On a terminal the interrupted bar keeps its line: the line that says how far it got is the
// next one.
TEST_F(Commands, AnInterruptEndsTheProgressBarsLine) {
    makeScripts();
    writeText(state_, "{\"faults\": [{\"at\": 8, \"signal\": 15}]}");
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(binary_.c_str(), binary_.c_str(), "--virtual-time", "--no-backup", "--sim-state",
                state_.c_str(), "program", "--all-pages", path("diff.qef").c_str(), nullptr);
        ::_exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
    ::close(terminal);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    EXPECT_EQ(WEXITSTATUS(raw), 143);
    EXPECT_NE(shown.find("%\r\nvorlix: interrupted after 3 of 64 pages"), std::string::npos)
        << shown;
}

// Standard output and error into one log, as a shell's 2>&1 or a service's journal has them:
// the lines come in the order they happened, the backup's before the failure that names it.
TEST_F(Commands, ASharedLogShowsTheBackupBeforeTheFailureThatNamesIt) {
    makeScripts();
    writeText(state_, "{}");
    ASSERT_EQ(command({"--no-backup", "program", path("diff.qef")}).status, 0);
    // The page write comes after as many reads with the backup as with the read of its own.
    const std::uint32_t page = transactionOf(trace(), "W 70 24 ", 1);
    writeText(state_, "{\"faults\": [{\"at\": " + std::to_string(page) + ", \"status\": 5}]}");
    const std::string log = path("log");
    const Ran ran = wait(
        start({"--virtual-time", "--sim-state", state_, "program", path("diff.qef")}, log, true));
    EXPECT_EQ(ran.status, 1);
    ASSERT_EQ(backups().size(), 1u);
    const std::string backup = backups().front().string();
    EXPECT_EQ(readText(log), "backup: " + backup +
                                 "\nvorlix: not a correct acknowledge recieved\n"
                                 "vorlix: a page write failed: the EEPROM is written only in part; "
                                 "vorlix program " +
                                 backup + " restores it\n");
}

}  // namespace
