#pragma once
// A folder of the running test's own under the system's temporary folder, named by the
// process, the suite and the test (parallel runs and repeated tests never meet), empty when
// the object is built and removed with it; and whole files read and written as bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vorlix::test {

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ScratchDir {
public:
    ScratchDir() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ =
            std::filesystem::temp_directory_path() / ("vorlix_" + std::to_string(::getpid()) + "_" +
                                                      test->test_suite_name() + "_" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() { std::filesystem::remove_all(dir_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes bytes as the file name in the folder; its path.
    std::string write(const std::string& name, const std::string& bytes) const {
        writeText(dir_ / name, bytes);
        return path(name);
    }

private:
    std::filesystem::path dir_;
};

}  // namespace vorlix::test
