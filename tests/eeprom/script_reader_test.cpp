// The QEF script reader: what a script file turns into, entry by entry.
#include "eeprom/script_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vorlix::eeprom {
namespace {

namespace fs = std::filesystem;

class ScriptFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorlix_reader_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // Reads the text through a file into the image, which must succeed.
    void read(const std::string& bytes) {
        std::string whyNot;
        ASSERT_TRUE(readScriptFile(write("s.qef", bytes), image, whyNot)) << whyNot;
    }

    std::vector<std::uint16_t> head(std::size_t n) const {
        return {image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n)};
    }

    fs::path dir_;
    ScriptImage image{};
};

using E = std::vector<std::uint16_t>;

TEST(HexDigitValue, DigitsLettersAndTheOddBytes) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('A'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('f'), 15);
    EXPECT_EQ(hexDigitValue('G'), 16);
    EXPECT_EQ(hexDigitValue('g'), 16);
    EXPECT_EQ(hexDigitValue('z'), 35);
    EXPECT_EQ(hexDigitValue(':'), 3);
    EXPECT_EQ(hexDigitValue('@'), 9);
    EXPECT_EQ(hexDigitValue(' '), 0xE9);
    EXPECT_EQ(hexDigitValue('\t'), 0xD2);
    EXPECT_EQ(hexDigitValue('\r'), 0xD6);
    EXPECT_EQ(hexDigitValue(','), 0xF5);
    EXPECT_EQ(hexDigitValue('/'), 0xF8);
    EXPECT_EQ(hexDigitValue('H'), 0xF1);
    EXPECT_EQ(hexDigitValue('W'), 0);
    EXPECT_EQ(hexDigitValue('Z'), 3);
    EXPECT_EQ(hexDigitValue(0xFF), 0xA8);
}

TEST_F(ScriptFiles, PairsInBothCasesAndOddCharacters) {
    read("A9 a9 1f 0g 3F");
    EXPECT_EQ(head(6), (E{0xA9, 0xA9, 0x1F, 0x10, 0x3F, 0}));
    read("F ");
    EXPECT_EQ(image[0], 0x1D9);  // a letter followed by a space: written as d9, never verified
    read("1\t2,");
    EXPECT_EQ(head(2), (E{0x10 + 0xD2, 0x20 + 0xF5}));  // only space and newline separate pairs
}

TEST_F(ScriptFiles, EmptyAndCommentOnlyFilesChangeNothing) {
    read("12 34");
    read("");
    EXPECT_EQ(head(3), (E{0x12, 0x34, 0}));
    read("   \n\n// only a comment\n// and another\n  \n");
    EXPECT_EQ(head(3), (E{0x12, 0x34, 0}));
}

TEST_F(ScriptFiles, TheExampleFileGivesItsTenEntries) {
    image.fill(0x77);
    read(
        "// defaults for bank A0\n// second comment line\n30 1c 00 03\n4F028000\n"
        "a8 04   // exposure\n");
    EXPECT_EQ(head(11), (E{0x30, 0x1C, 0x00, 0x03, 0x4F, 0x02, 0x80, 0x00, 0xA8, 0x04, 0x77}));
}

TEST_F(ScriptFiles, ASecondShorterFileLeavesTheFirstFilesTail) {
    std::string pairs;
    for (int i = 0; i < 1024; ++i) pairs += "5a ";
    read(pairs);
    EXPECT_EQ(image[1023], 0x5A);
    EXPECT_EQ(image[1024], 0);
    read("01 02");
    EXPECT_EQ(head(3), (E{0x01, 0x02, 0x5A}));
    EXPECT_EQ(image[1023], 0x5A);
}

TEST_F(ScriptFiles, LastLinesWithoutNewline) {
    read("01\n02 03");
    EXPECT_EQ(head(3), (E{0x01, 0x02, 0x03}));
    image.fill(0);
    read("01\n02 // last words");
    EXPECT_EQ(head(3), (E{0x01, 0x02, 0}));
    image.fill(0);
    read("01 // a comment that never ends");
    EXPECT_EQ(head(2), (E{0x01, 0}));
}

TEST_F(ScriptFiles, CrLfAndLfReadAlikeButALoneCrIsADigit) {
    const std::string text = "// head\n10 20\n// mid\n30\n40 50\n";
    read(text);
    const E lf = head(6);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    image.fill(0);
    read(crlf);
    EXPECT_EQ(head(6), lf);
    EXPECT_EQ(lf, (E{0x10, 0x20, 0x30, 0x40, 0x50, 0}));

    image.fill(0);
    read("10\r20");
    // "\r2" is a pair (0xD6 * 16 mod 256 + 2), "0" and the end another.
    EXPECT_EQ(head(3), (E{0x10, 0x60 + 0x02, 0x00 + 0xA8}));
}

TEST_F(ScriptFiles, CtrlZAndAByteFfWhereAPairStartsEndTheText) {
    read(std::string("01 02\x1a 03 04", 12));
    EXPECT_EQ(head(3), (E{0x01, 0x02, 0}));
    image.fill(0);
    read(
        "01 \xff"
        "2 03");
    EXPECT_EQ(head(2), (E{0x01, 0}));
    // Inside a pair it is just a digit character.
    read("1\xff");
    EXPECT_EQ(image[0], 0x10 + 0xA8);
}

TEST_F(ScriptFiles, HalfAPairAtTheEndIsStoredWithTheEndAsItsLowDigit) {
    read("12 3");
    EXPECT_EQ(head(3), (E{0x12, 0x30 + 0xA8, 0}));
}

TEST_F(ScriptFiles, CommentLinesAfterBlankLinesOrLeadingSpacesAreComments) {
    // A slash wherever a pair may start begins a comment, not the digits "//".
    read("// a\n\n//b\n  // indented\n 12 // c\n\n   //d\n34");
    EXPECT_EQ(head(3), (E{0x12, 0x34, 0}));
    std::size_t stored = 0;
    std::string whyNot;
    ASSERT_TRUE(readScriptFile(write("c.qef", "\n// x\n  56\n"), image, whyNot, &stored));
    EXPECT_EQ(stored, 1u);
    EXPECT_EQ(image[0], 0x56);
}

TEST_F(ScriptFiles, AtMost2560PairsAreReadAndTheRestOfTheFileIsNot) {
    std::string pairs;
    for (int i = 0; i < 2560; ++i) pairs += "11";
    read(pairs + "22");
    EXPECT_EQ(image[0], 0x11);
    EXPECT_EQ(image[2559], 0x11);
    EXPECT_EQ(parseScript(pairs + "22", image), 2560u);

    // Four gigabytes behind the last pair that counts: read in no time and no memory.
    const std::string huge = write("huge.qef", pairs);
    fs::resize_file(huge, std::uintmax_t{4} << 30);
    std::string whyNot;
    std::size_t stored = 0;
    EXPECT_TRUE(readScriptFile(huge, image, whyNot, &stored)) << whyNot;
    EXPECT_EQ(stored, 2560u);
}

TEST_F(ScriptFiles, UnreadableFilesAreNamedAndLeaveTheImageAlone) {
    read("42");
    std::string whyNot;
    const std::string missing = (dir_ / "missing.qef").string();
    EXPECT_FALSE(readScriptFile(missing, image, whyNot));
    EXPECT_EQ(whyNot, "cannot open " + missing + ": No such file or directory");

    const std::string directory = (dir_ / "folder.qef").string();
    fs::create_directories(directory);
    EXPECT_FALSE(readScriptFile(directory, image, whyNot));
    EXPECT_EQ(whyNot, "cannot read " + directory + ": Is a directory");

#ifndef _WIN32
    // Neither a FIFO without a writer nor a device is opened as a script: no hang, no memory.
    const std::string fifo = (dir_ / "fifo.qef").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readScriptFile(fifo, image, whyNot));
    EXPECT_EQ(whyNot, "cannot read " + fifo + ": not a regular file (a FIFO)");
    EXPECT_FALSE(readScriptFile("/dev/zero", image, whyNot));
    EXPECT_EQ(whyNot, "cannot read /dev/zero: not a regular file (a character device)");
#endif
    EXPECT_EQ(image[0], 0x42);
}

}  // namespace
}  // namespace vorlix::eeprom
