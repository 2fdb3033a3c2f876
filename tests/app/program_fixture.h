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

namespace vorlix::apptest {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string stderrText;
};

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorlix_app_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        state_ = (dir_ / "s.json").string();
        trace_ = (dir_ / "t.trace").string();
        writeText(state_, kState);
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Starts vorlix with args; standard output to out (or /dev/null), standard error kept.
    pid_t start(const std::vector<std::string>& args, const std::string& out = "/dev/null") {
        const std::string err = (dir_ / "stderr").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setpgid(0, 0);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<char*> argv{const_cast<char*>(VORLIX_BINARY)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(VORLIX_BINARY, argv.data());
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
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // A state file the runs must leave as it is when they refuse.
    static constexpr const char* kState = "{\n  \"present\": true,\n  \"busyReads\": 1\n}\n";
    fs::path dir_;
    std::string state_, trace_;
};

}  // namespace vorlix::apptest
