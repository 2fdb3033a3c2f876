// The program's own files: outputs that cost nothing until every one opened, files replaced in
// one step, one file under two names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "io/output_file.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::io {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(scratch_.dir() / "sub"); }
    std::string path(const std::string& name) const { return scratch_.path(name); }
    static std::string read(const std::string& p) { return test::readText(p); }
    static void write(const std::string& p, const std::string& text) { test::writeText(p, text); }
    test::ScratchDir scratch_;
};

TEST_F(Files, AnOutputIsEmptiedOnlyWhenAskedAndAFileItCreatedCanBeTakenBack) {
    write(path("old"), "kept");
    OutputFile old, fresh;
    ASSERT_TRUE(old.open(path("old")));
    ASSERT_TRUE(fresh.open(path("new")));
    EXPECT_EQ(read(path("old")), "kept");
    old.discard();
    fresh.discard();
    EXPECT_EQ(read(path("old")), "kept");
    EXPECT_FALSE(fs::exists(path("new")));

    OutputFile out;
    ASSERT_TRUE(out.open(path("old")));
    ASSERT_TRUE(out.truncate());
    out.stream() << "new";
    EXPECT_TRUE(out.flush());
    EXPECT_EQ(read(path("old")), "new");

    OutputFile full;
    ASSERT_TRUE(full.open("/dev/full"));
    full.stream() << "x";
    EXPECT_FALSE(full.flush());
    EXPECT_EQ(full.reason(), "No space left on device");
}

TEST_F(Files, OneFileUnderTwoNames) {
    write(path("a"), "");
    fs::create_symlink(path("a"), path("link"));
    EXPECT_TRUE(sameFile(path("a"), path("sub/../a")));
    EXPECT_TRUE(sameFile(path("link"), path("a")));
    EXPECT_TRUE(sameFile(path("missing"), path("sub/../missing")));
    EXPECT_FALSE(sameFile(path("a"), path("missing")));
}

TEST_F(Files, AReplacedFileIsWholeOrAsItWasAndNoTemporaryStays) {
    write(path("target"), "old");
    fs::create_symlink("target", path("link"));
    const Expected<> replaced = replaceFile(path("link"), "new");
    ASSERT_TRUE(replaced) << replaced.why();
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(read(path("target")), "new");

    // A folder where the file should be: the rename fails, nothing is left behind.
    EXPECT_FALSE(replaceFile(path("sub"), "x"));
    EXPECT_FALSE(fs::exists(path("sub.tmp")));
    EXPECT_EQ(checkReplaceable(path("sub")).why(), "Is a directory");
    EXPECT_EQ(checkReplaceable(path("none/file")).why(), "No such file or directory");
    EXPECT_TRUE(checkReplaceable(path("link")));
    EXPECT_FALSE(fs::exists(path("target.tmp")));
}

}  // namespace
}  // namespace vorlix::io
