// The record of the commands' runs: one JSON line each, appended.
#include "app/records.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/backups.h"
#include "commands_fixture.h"
#include "io/hex.h"
#include "io/sha256.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

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
    EXPECT_EQ(b["resolved"], "sim");
    EXPECT_TRUE(b["pages_written"].is_null());
    EXPECT_TRUE(b["sha256_before"].is_null());
    EXPECT_EQ(b["sha256_after"], a["sha256_after"]);
}

// A file name is bytes: one that is not UTF-8 shows U+FFFD for the byte that is not, and is kept
// exactly, as hex, beside it; a name that is UTF-8 has nothing beside it.
TEST_F(Commands, ARecordKeepsAFileNameThatIsNotUtf8Exactly) {
    makeScripts();
    const std::string name = path("caf\xe9.qef");
    fs::copy_file(path("same.qef"), name);
    ASSERT_EQ(command({"--record", path("r.jsonl"), "verify", name}).status, 0);
    const json line = json::parse(readText(path("r.jsonl")));
    std::string hex;
    for (const char c : name) hex += vorlix::io::hexByte(static_cast<std::uint8_t>(c));
    EXPECT_EQ(line["file"], path("caf") + "\xef\xbf\xbd.qef");
    EXPECT_EQ(line["file_bytes"], hex);
    EXPECT_EQ(line["script_bytes"], hex);  // the absolute path: the folder is absolute already
    EXPECT_FALSE(line.contains("bus_bytes"));
    EXPECT_FALSE(line.contains("resolved_bytes"));
}

// The record says the status the process ends with, also when an output after the command's
// own work failed.
TEST_F(Commands, ARecordSaysTheExitStatusOfTheRun) {
    makeScripts();
    const Ran ran = run({"--virtual-time", "--sim-state", state_, "--trace", "/dev/full",
                         "--record", path("r.jsonl"), "verify", path("same.qef")});
    EXPECT_EQ(ran.status, 74);
    const json line = json::parse(readText(path("r.jsonl")));
    EXPECT_EQ(line["status"], 74);
    EXPECT_EQ(line["result"], "verified");
}

// The README's tally, run as documented over a day's file that holds a line cut short and the
// started line a program writes before its final one: each run counts once.
TEST_F(Commands, TheDocumentedTallySkipsALineThatWasCutShort) {
    if (std::system("jq --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no jq";
    std::istringstream readme(readText(VORLIX_README));
    std::string tally;
    for (std::string line; std::getline(readme, line) && tally.empty();)
        if (line.rfind("jq ", 0) == 0) tally = line;
    ASSERT_FALSE(tally.empty());
    const std::string file = "line.jsonl";
    tally.replace(tally.rfind(file), file.size(), path("r.jsonl"));
    makeScripts();
    for (const char* script : {"same.qef", "diff.qef"})
        command({"--record", path("r.jsonl"), "verify", path(script)});
    std::ofstream(path("r.jsonl"), std::ios::app) << "{\"result\":\"verified\",\"bus";
    command({"--record", path("r.jsonl"), "program", path("same.qef")});
    ASSERT_NE(readText(path("r.jsonl")).find("\"result\":\"started\""), std::string::npos);

    FILE* pipe = ::popen(tally.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string shown;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        shown.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << tally;
    EXPECT_EQ(json::parse(shown), json::parse(R"([{"result": "differs", "modules": 1},
                                                  {"result": "verified", "modules": 2}])"));
}

// Eight stations back up cameras at one address at the same moment, again and again: each run
// keeps a backup of its own (none replaced by another's), every record line is whole, and each
// run's started line (naming its backup) comes before its final line.
TEST_F(Commands, StationsStartedTogetherLoseNoBackupAndNoLine) {
    constexpr int kStations = 8, kRounds = 50;
    const std::string record = path("r.jsonl");
    std::set<std::string> named;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<pid_t> runs;
        for (int s = 0; s < kStations; ++s) {
            const std::string state = path("s" + std::to_string(s) + ".json");
            writeText(state, "{}");
            runs.push_back(start({"--virtual-time", "--sim-state", state, "--record", record,
                                  "--quiet", "erase-settings", "--yes"}));
        }
        for (const pid_t pid : runs) ASSERT_EQ(wait(pid).status, 0);
        ASSERT_EQ(backups().size(), static_cast<std::size_t>(kStations * (round + 1)));
    }
    std::istringstream lines(readText(record));
    int count = 0;
    std::set<std::string> started;
    for (std::string line; std::getline(lines, line);) {
        const json j = json::parse(line);  // throws on a line that is not whole
        const std::string backup = j["backup"].get<std::string>();
        EXPECT_NE(j["sha256_before"], nullptr);
        if (j["result"] == "started") {
            EXPECT_TRUE(started.insert(backup).second) << backup;
            continue;
        }
        EXPECT_EQ(started.count(backup), 1u) << backup << ": no started line before its last";
        named.insert(backup);
        ++count;
    }
    EXPECT_EQ(count, kStations * kRounds);
    EXPECT_EQ(named.size(), static_cast<std::size_t>(kStations * kRounds));
    // Names were taken within one second, so the clash was there to be handled.
    const bool clashed = std::any_of(named.begin(), named.end(), [](const std::string& n) {
        return n.size() > 6 && n.compare(n.size() - 6, 6, "-2.qef") == 0;
    });
    EXPECT_TRUE(clashed);
}

// Eight appenders at the same moment, round after round, to a file whose last line was cut
// short: four processes, each appending from two threads through one record file (the sockets
// of a station), so that both the lock between processes and the turns within one are tried.
// Each line is whole and none is empty (a look at the last byte while another's line was still
// going in would put a newline before a line that needs none). The lines are longer than a
// memory page, so that a line goes into the file in more than one piece.
TEST_F(Commands, EightAppendersAtOnceLeaveOnlyWholeLines) {
    constexpr int kProcesses = 4, kThreads = 2, kRounds = 40;
    const std::string file = path("r.jsonl");
    writeText(file, "{\"cut\": tr");
    for (int round = 0; round < kRounds; ++round) {
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        std::vector<pid_t> appenders;
        for (int p = 0; p < kProcesses; ++p) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(go[1]);
                vorlix::app::RecordFile record;
                if (!record.open(file)) ::_exit(1);
                char c;
                while (::read(go[0], &c, 1) > 0) {
                }  // end of file: all start together
                std::atomic<bool> ok{true};
                std::vector<std::thread> threads;
                for (int t = 0; t < kThreads; ++t) {
                    threads.emplace_back([&, t] {
                        if (!record.append({{"process", p},
                                            {"thread", t},
                                            {"round", round},
                                            {"pad", std::string(5000, 'x')}}))
                            ok = false;
                    });
                }
                for (std::thread& thread : threads) thread.join();
                ::_exit(ok ? 0 : 1);
            }
            appenders.push_back(pid);
        }
        ::close(go[0]);
        ::close(go[1]);
        for (const pid_t pid : appenders) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
    }
    std::istringstream lines(readText(file));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "{\"cut\": tr");
    int count = 0;
    for (; std::getline(lines, line); ++count) {
        ASSERT_FALSE(line.empty()) << "line " << count + 2 << " is empty";
        EXPECT_EQ(json::parse(line)["pad"].get<std::string>().size(), 5000u);
    }
    EXPECT_EQ(count, kProcesses * kThreads * kRounds);
}

// A backup's name carries the bus where it has a stable name, in characters any file system takes.
TEST(BackupNames, CarryTheBusWhereItHasAStableName) {
    const std::pair<const char*, const char*> cases[] = {
        {"i2c:usb=1-2", "usb-1-2"},
        {"i2c:usb=3-1.4", "usb-3-1.4"},
        {"i2c:serial=A1/b:2", "serial-A1-b-2"},
        {"i2c:/dev/i2c-7", ""},
        {"sim", ""},
        {"pxiic:C:\\x.dll", ""},
    };
    for (const auto& [bus, name] : cases) EXPECT_EQ(vorlix::app::busInBackupName(bus), name) << bus;
}

}  // namespace
