// The program against careless and hostile input, run as a person runs it: every refusal is
// one line on standard error naming the file, with exit status 2, nothing on the bus and the
// state file as it was; a signal ends a run with the state saved; the window's run backs the
// camera up before its first EEPROM write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands_fixture.h"

namespace {

using namespace vorlix::apptest;
namespace fs = std::filesystem;

// A refusal: exit 2, one line that says what and names the file, no trace, the state intact.
struct Refusal {
    const char* what;
    std::vector<std::string> args;  // "@x" is the file x in the test's folder
    std::string line;               // the stderr line, "@" for the test's folder
};

std::string expand(const std::string& text, const std::string& dir) {
    std::string out;
    for (char c : text) out += c == '@' ? dir + "/" : std::string(1, c);
    return out;
}

class Refusals : public Program {
protected:
    void check(const std::vector<Refusal>& cases) {
        for (const Refusal& c : cases) {
            std::vector<std::string> args{"--headless", "--virtual-time", "--trace", trace_};
            for (const std::string& a : c.args) args.push_back(expand(a, dir_.string()));
            const Ran ran = run(args);
            EXPECT_EQ(ran.status, 2) << c.what;
            EXPECT_EQ(ran.stderrText, "vorlix: " + expand(c.line, dir_.string()) + "\n") << c.what;
            EXPECT_FALSE(fs::exists(trace_)) << c.what << ": something went on the bus";
            EXPECT_EQ(readText(state_), kState) << c.what << ": the state was touched";
            EXPECT_FALSE(fs::exists(state_ + ".tmp")) << c.what;
        }
    }
};

TEST_F(Refusals, BadInputFiles) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    writeText(path("big.json"), "{\n  \"busyReads\": 1e400\n}\n");
    writeText(path("long.json"), "{\"busyReads\": " + std::string(400, '7') + "}");
    writeText(path("twice.json"), "{\"present\": true,\n \"present\": false}");
    writeText(path("cases.json"), "{\"registers\": {\"301c\": \"0003\",\n \"301C\": \"0000\"}}");
    writeText(path("fault.json"), "{\"faults\": [{\"at\": 3}]}");
    writeText(path("key.json"), "{\"x\\n\\u001b[2J\": 1}");
    writeText(path("nul.act"), std::string("enter\nclick\0 1000\n", 19));
    check({
        {"a device as the state",
         {"--sim-state", "/dev/zero"},
         "/dev/zero: cannot write the state: not a regular file"},
        {"a FIFO as the state",
         {"--sim-state", "@fifo"},
         "@fifo: cannot write the state: not a regular file"},
        {"a device as the script",
         {"--actions", "/dev/urandom"},
         "/dev/urandom: cannot read the action script: not a regular file (a character device)"},
        {"a FIFO as the script",
         {"--actions", "@fifo"},
         "@fifo: cannot read the action script: not a regular file (a FIFO)"},
        {"1e400", {"--sim-state", "@big.json"}, "@big.json:2: number overflow parsing '1e400'"},
        {"400 digits",
         {"--sim-state", "@long.json"},
         "@long.json:1: number overflow parsing '" + std::string(400, '7') + "'"},
        {"a key twice",
         {"--sim-state", "@twice.json"},
         "@twice.json:2: \"present\" is given twice"},
        {"a register in two cases",
         {"--sim-state", "@cases.json"},
         "@cases.json:2: \"301C\" repeats \"301c\" (keys are not case-sensitive)"},
        {"a fault without status",
         {"--sim-state", "@fault.json"},
         "@fault.json: faults[0]: a fault needs \"status\""},
        {"control characters in a key",
         {"--sim-state", "@key.json"},
         "@key.json: x\\n\\x1b[2J: unknown key (expected present, registers, eeprom, busyReads, "
         "faults, modules)"},
        {"a NUL in an action",
         {"--actions", "@nul.act"},
         "@nul.act:2: unknown action 'click\\x00' (click, type, paste, scroll, file, cancel, sys, "
         "repower, buslog, enter, escape)"},
    });
}

TEST_F(Refusals, Typos) {
    writeText(path("a.act"), "# the first line\nclick 9999\n");
    writeText(path("b.act"), "type 1014 x\n");
    writeText(path("c.act"), "\nscroll 1003 1\n");
    writeText(path("d.act"), "paste 1050 7\n");
    writeText(path("e.act"), "click 1003\n");
    check({
        {"no such control", {"--actions", "@a.act"}, "@a.act:2: the dialog has no control 9999"},
        {"typing into a check box",
         {"--actions", "@b.act"},
         "@b.act:1: control 1014 is a check box; type works on edits that are not read-only"},
        {"scrolling an edit",
         {"--actions", "@c.act"},
         "@c.act:2: control 1003 is an edit; scroll works on scroll bars"},
        {"pasting into a scroll bar",
         {"--actions", "@d.act"},
         "@d.act:1: control 1050 is a scroll bar; paste works on edits that are not read-only"},
        {"clicking an edit",
         {"--actions", "@e.act"},
         "@e.act:1: control 1003 is an edit; click works on buttons, check boxes and radio "
         "buttons"},
    });
}

TEST_F(Refusals, BadPathsAndOutputsThatAreOneFile) {
    fs::create_directories(path("sub"));
    check({
        {"an empty state name",
         {"--sim-state", ""},
         "--sim-state needs a file name (leave the option out for no state file)"},
        {"a state in a missing folder",
         {"--sim-state", "@none/s.json"},
         "@none/s.json: cannot write the state: No such file or directory"},
        {"the state is the trace",
         {"--sim-state", "@sub/../t.trace"},
         "--trace and --sim-state name the same file @t.trace; each needs its own"},
    });
    // The trace named as the state, under another spelling: refused before either is opened.
    writeText(trace_, "an earlier trace\n");
    const Ran same = run({"--headless", "--sim-state", state_, "--trace", path("sub/../s.json"),
                          "--dump", "/proc/x"});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(readText(state_), kState);
    // A dump that cannot be opened leaves an existing trace as it was.
    const Ran dump = run({"--headless", "--trace", trace_, "--dump", "/proc/x"});
    EXPECT_EQ(dump.status, 2);
    EXPECT_EQ(dump.stderrText, "vorlix: cannot write /proc/x: No such file or directory\n");
    EXPECT_EQ(readText(trace_), "an earlier trace\n");
}

TEST_F(Program, WriteErrorsAreToldAndChangeTheExitStatus) {
    const Ran full =
        run({"--headless", "--virtual-time", "--sim-state", state_, "--trace", "/dev/full"});
    EXPECT_EQ(full.status, 74);
    EXPECT_EQ(full.stderrText,
              "vorlix: cannot write the trace to /dev/full: No space left on device\n");
    EXPECT_NE(readText(state_), kState) << "the run's state is saved all the same";

    const Ran dump = run({"--headless", "--virtual-time", "--dump", "/dev/full"});
    EXPECT_EQ(dump.status, 74);

    // A command's results are an output like the others: the record says so too.
    const Ran results =
        run({"--virtual-time", "--sim-state", state_, "--record", path("r.jsonl"), "info"},
            "/dev/full");
    EXPECT_EQ(results.status, 74);
    EXPECT_EQ(results.stderrText,
              "vorlix: cannot write the results to standard output: No space left on device\n");
    EXPECT_NE(readText(path("r.jsonl")).find("\"status\":74"), std::string::npos);

    // The trace into a pipe whose reader left: a write error, not a silent death.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ::close(pipeFds[0]);
    const Ran piped = run({"--headless", "--virtual-time", "--sim-state", state_, "--trace", "-"},
                          "/dev/fd/" + std::to_string(pipeFds[1]));
    ::close(pipeFds[1]);
    EXPECT_EQ(piped.status, 74);
    EXPECT_EQ(piped.stderrText, "vorlix: cannot write the trace to standard output: Broken pipe\n");
}

TEST_F(Program, AStateSaveWritesThroughASymlinkAndLeavesNoTemporaryFile) {
    fs::create_directories(path("real"));
    writeText(path("real/camera.json"), kState);
    fs::create_symlink("real/camera.json", path("link.json"));
    const Ran ran = run({"--headless", "--virtual-time", "--sim-state", path("link.json")});
    EXPECT_EQ(ran.status, 0) << ran.stderrText;
    EXPECT_TRUE(fs::is_symlink(path("link.json")));
    EXPECT_NE(readText(path("real/camera.json")), kState);
    EXPECT_FALSE(fs::exists(path("real/camera.json.tmp")));
    EXPECT_FALSE(fs::exists(path("link.json.tmp")));
}

TEST_F(Program, ABusPathThatIsNoI2cBusIsNeverOpened) {
    const Ran ran = run({"--headless", "--bus", "i2c:/etc/passwd", "--trace", trace_});
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.stderrText,
              "vorlix: /etc/passwd is not an I2C bus: choose a node /dev/i2c-N (vorlix --bus "
              "list)\n");
    EXPECT_NE(readText(trace_).find("W 70 01 a0 fe !22\n"), std::string::npos);
}

TEST_F(Program, AQefThatIsNoRegularFileIsNamedInABoxAndNothingIsProgrammed) {
    ASSERT_EQ(::mkfifo(path("fifo.qef").c_str(), 0600), 0);
    for (const std::string& qef : {std::string("/dev/zero"), path("fifo.qef")}) {
        writeText(path("q.act"), "file " + qef + "\nclick 1032\nclick 1061\n");
        const Ran ran =
            run({"--headless", "--virtual-time", "--actions", path("q.act"), "--trace", trace_});
        EXPECT_EQ(ran.status, 0) << ran.stderrText;
        const std::string trace = readText(trace_);
        const std::string box = "B cannot read " + qef + ": not a regular file (a ";
        EXPECT_NE(trace.find(box), std::string::npos) << trace;
        EXPECT_EQ(trace.find("W 70 24 "), std::string::npos) << "a page was programmed";
    }
}

// Kills a programming run with real pauses once a few pages are on the bus; the saved EEPROM
// must hold exactly the pages the trace shows as written, the rest as it was.
TEST_F(Program, ASignalEndsTheRunWithTheStateOfEveryPageWritten) {
    std::string qef;
    for (int i = 0; i < 1024; ++i) qef += "5a ";
    writeText(path("p.qef"), qef);
    writeText(path("p.act"), "file " + path("p.qef") + "\nclick 1032\nclick 1061\n");
    const std::string emptyBank(512, 'f');
    const std::string state = "{\"eeprom\": {\"a0\": \"" + emptyBank + "\", \"a2\": \"" +
                              emptyBank + "\", \"a4\": \"" + emptyBank + "\", \"a6\": \"" +
                              emptyBank + "\"}}";
    const struct {
        int signal;
        int status;
    } cases[] = {{SIGTERM, 143}, {SIGINT, 130}, {SIGHUP, 129}};
    for (const auto& c : cases) {
        writeText(state_, state);
        fs::remove(trace_);
        const pid_t pid = start({"--headless", "--no-backup", "--sim-state", state_, "--actions",
                                 path("p.act"), "--trace", trace_});
        // Wait for the third page header (however slow the machine), then let the signal fall
        // anywhere after it.
        for (;;) {
            const std::string t = readText(trace_);
            std::size_t headers = 0;
            for (std::size_t at = t.find("W 70 24 "); at != std::string::npos;
                 at = t.find("W 70 24 ", at + 1))
                ++headers;
            siginfo_t ended{};
            if (headers >= 3 || (::waitid(P_PID, static_cast<id_t>(pid), &ended,
                                          WEXITED | WNOHANG | WNOWAIT) == 0 &&
                                 ended.si_pid == pid))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid, c.signal);
        const Ran ran = wait(pid);
        EXPECT_EQ(ran.status, c.status) << ran.stderrText;

        // Pages written, by bank and offset, from the trace: a header then its 16 data bytes.
        std::istringstream lines(readText(trace_));
        std::set<std::string> written;
        std::string line, header;
        while (std::getline(lines, line)) {
            if (line.rfind("W 70 24 ", 0) == 0) {
                header = line.substr(8, 5);
            } else if (line.rfind("W 70 ", 0) == 0 && line.size() == 5 + 16 * 3 - 1 &&
                       !header.empty()) {
                written.insert(header);
                header.clear();
            }
        }
        ASSERT_FALSE(written.empty());
        ASSERT_LT(written.size(), 64u) << "the run ended before the signal";
        const std::string saved = readText(state_);
        for (const char* bank : {"a0", "a2", "a4", "a6"}) {
            const std::size_t at = saved.find(std::string("\"") + bank + "\": \"");
            ASSERT_NE(at, std::string::npos);
            const std::string digits = saved.substr(at + 7, 512);
            for (int page = 0; page < 16; ++page) {
                char key[8];
                std::snprintf(key, sizeof key, "%s %02x", bank, page * 16);
                std::string expected;
                for (int i = 0; i < 16; ++i) expected += written.count(key) ? "5a" : "ff";
                EXPECT_EQ(digits.substr(static_cast<std::size_t>(page) * 32, 32), expected) << key;
            }
        }
    }
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

#ifdef VORLIX_HAVE_QT
// The window, idle after its read-back: a signal wakes it, the state is saved, it closes.
TEST_F(Program, ASignalClosesAnIdleWindowWithTheStateSaved) {
    // The read-back the window makes at its start, as the headless player makes it.
    writeText(path("copy.json"), readText(state_));
    writeText(path("none.act"), "");
    ASSERT_EQ(run({"--headless", "--virtual-time", "--sim-state", path("copy.json"), "--actions",
                   path("none.act"), "--trace", path("read-back.trace")})
                  .status,
              0);
    const std::string readBack = readText(path("read-back.trace"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const pid_t pid = start({"--virtual-time", "--sim-state", state_, "--trace", trace_});
    while (readText(trace_).rfind(readBack, 0) != 0)  // the window is idle once it is all there
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGTERM);
    const Ran ran = wait(pid);
    EXPECT_EQ(ran.status, 143) << ran.stderrText;
    EXPECT_NE(readText(state_).find("\"eeprom\""), std::string::npos) << "the state was not saved";
}

// Reached over ssh: no display server and no platform chosen for Qt. The window is not tried
// (Qt would abort with its platform plugin's error); one line says what to do instead.
TEST_F(Program, WithoutADisplayTheWindowSaysWhatToDoAndSendsNothing) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    const Ran ran = run({"--virtual-time", "--sim-state", state_, "--trace", trace_});
    EXPECT_EQ(ran.status, 2);
    EXPECT_EQ(ran.stderrText,
              "vorlix: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
              "set): give a COMMAND (vorlix --help lists them), use --headless with an action "
              "script, or start the window under xvfb-run\n");
    EXPECT_FALSE(fs::exists(trace_)) << "something went on the bus";
    EXPECT_EQ(readText(state_), kState);
}

// The program alone, copied where its window is not: a headless run works as ever, and asking
// for the window is refused in one line, before anything is sent.
TEST_F(Program, WithoutItsWindowModuleOnlyTheWindowIsRefused) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    binary_ = path("vorlix");
    fs::copy_file(VORLIX_BINARY, binary_);
    EXPECT_EQ(run({"--headless", "--virtual-time", "--bus", "sim"}).status, 0);

    const Ran ran = run({"--virtual-time", "--sim-state", state_, "--trace", trace_});
    EXPECT_EQ(ran.status, 2);
    EXPECT_EQ(ran.stderrText,
              "vorlix: the window (vorlix-window.so) is missing: looked for " +
                  path("vorlix-window.so") + " and " +
                  (dir_.parent_path() / VORLIX_MODULE_DIR / "vorlix-window.so").string() +
                  "; install it with the program, or use --headless and an "
                  "action script\n");
    EXPECT_FALSE(fs::exists(trace_)) << "something went on the bus";
    EXPECT_EQ(readText(state_), kState);
}

// Headless runs and commands never load the toolkit: the program does not even name it.
TEST(ProgramFile, NeedsNoToolkitLibrary) {
    FILE* pipe = ::popen("readelf -d " VORLIX_BINARY, "r");
    ASSERT_NE(pipe, nullptr);
    std::string needed;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        if (std::strstr(line, "(NEEDED)") != nullptr) needed += line;
    }
    ASSERT_EQ(::pclose(pipe), 0) << "readelf failed";
    EXPECT_NE(needed.find("libc.so"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("libQt"), std::string::npos) << needed;
}
#endif

}  // namespace
