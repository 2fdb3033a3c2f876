#pragma once
// The built vorlix run as a person runs it, in a folder of its own per test: its exit status,
// its standard error, what it wrote. Backups go to a data folder inside that folder, never
// into the user's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace vorlix::apptest {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string stderrText;
};

using test::readText;
using test::writeText;

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(state_, kState);
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    }

    // Starts vorlix with args; standard output to out (or /dev/null), standard error kept (or
    // with sharedLog, into out as well: one log of both, as a shell's 2>&1 makes it).
    pid_t start(const std::vector<std::string>& args, const std::string& out = "/dev/null",
                bool sharedLog = false) {
        const std::string err = (dir_ / "stderr").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setpgid(0, 0);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = sharedLog ? o : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<char*> argv{const_cast<char*>(binary_.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(binary_.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }
    Ran wait(pid_t pid) {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        Ran ran;
        ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        ran.stderrText = readText(dir_ / "stderr");
        return ran;
    }
    Ran run(const std::vector<std::string>& args, const std::string& out = "/dev/null") {
        return wait(start(args, out));
    }
    std::string path(const std::string& name) const { return scratch_.path(name); }

    // A state file the runs must leave as it is when they refuse.
    static constexpr const char* kState = "{\n  \"present\": true,\n  \"busyReads\": 1\n}\n";
    test::ScratchDir scratch_;
    const fs::path& dir_ = scratch_.dir();
    std::string state_ = path("s.json"), trace_ = path("t.trace");
    std::string binary_ = VORLIX_BINARY;  // the program the test runs
};

}  // namespace vorlix::apptest
