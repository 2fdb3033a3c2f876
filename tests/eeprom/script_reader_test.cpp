// The QEF script reader and loader: what a script file turns into, entry by entry, and which
// files are refused before anything could be programmed from them.
#include "eeprom/script_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "eeprom/script_file.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::eeprom {
namespace {

namespace fs = std::filesystem;

class ScriptFiles : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        return scratch_.write(name, bytes);
    }

    // Reads the text into the image as the reader takes it, whatever its pairs are.
    void read(const std::string& bytes) { parseScript(bytes, image); }

    // Loads the text through a file over the image; the refusal, or nothing when it loaded.
    std::optional<std::string> load(const std::string& bytes, const std::string& name = "s.qef") {
        return loadPath(write(name, bytes));
    }
    std::optional<std::string> loadPath(const std::string& path) {
        io::Expected<ScriptFile> file = loadScript(path, image);
        if (!file) return file.why();
        image = file->image;
        loaded = *file;
        return std::nullopt;
    }

    std::vector<std::uint16_t> head(std::size_t n) const {
        return {image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n)};
    }

    test::ScratchDir scratch_;
    ScriptImage image{};
    ScriptFile loaded;
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
    // Inside a pair a tab is a character like any other; only where a pair starts do
    // spaces, tabs and newlines separate.
    EXPECT_EQ(head(2), (E{0x10 + 0xD2, 0x20 + 0xF5}));
    read("12\t34\t\t56");
    EXPECT_EQ(head(3), (E{0x12, 0x34, 0x56}));
}

TEST_F(ScriptFiles, AByteOrderMarkAtTheStartIsNoPartOfTheText) {
    read("\xEF\xBB\xBF// saved as UTF-8\r\n12 34");
    EXPECT_EQ(head(3), (E{0x12, 0x34, 0}));
    // Anywhere else its bytes are characters, and no hex digits.
    EXPECT_EQ(load("12\xEF\xBB\xBF"),
              write("s.qef", "") +
                  ": line 1: \"\\xef\\xbb\" is no hex byte (the pair for bank a0 "
                  "offset 01)");
}

TEST_F(ScriptFiles, APairThatIsNoHexByteRefusesTheWholeFileNamingItsLine) {
    image.fill(0x77);
    const std::pair<const char*, const char*> cases[] = {
        {"// head\n12 34\n5z", "line 3: \"5z\" is no hex byte (the pair for bank a0 offset 02)"},
        {"12 3",
         "line 1: \"3\" at the end of the file is no hex byte (the pair for bank a0 "
         "offset 01)"},
        {"12,34", "line 1: \",3\" is no hex byte (the pair for bank a0 offset 01)"},
        {"F ", "line 1: \"F \" is no hex byte (the pair for bank a0 offset 00)"},
    };
    for (const auto& [text, why] : cases) {
        EXPECT_EQ(load(text), write("s.qef", "") + ": " + why) << text;
        EXPECT_EQ(image[0], 0x77) << "a refused file changes nothing: " << text;
    }
    std::string beyond(2 * 1030, '0');
    beyond += "xx";
    EXPECT_EQ(load(beyond), write("s.qef", "") +
                                ": line 1: \"xx\" is no hex byte (the pair "
                                "for entry 1030)");
}

TEST_F(ScriptFiles, ALoadedFileGivesItsPairsAndTheHashOfAllItsBytes) {
    image.fill(0x77);
    ASSERT_EQ(load("// abc\n01 02\x1a 03 trailing words after the end"), std::nullopt);
    EXPECT_EQ(head(3), (E{0x01, 0x02, 0x77}));
    EXPECT_EQ(loaded.pairs, 2u);
    EXPECT_EQ(loaded.path, write("s.qef", "// abc\n01 02\x1a 03 trailing words after the end"));
    // sha256sum of the same bytes.
    ASSERT_EQ(load(""), std::nullopt);
    EXPECT_EQ(loaded.sha256, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
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
    ASSERT_EQ(load("\n// x\n  56\n"), std::nullopt);
    EXPECT_EQ(loaded.pairs, 1u);
    EXPECT_EQ(image[0], 0x56);
}

TEST_F(ScriptFiles, AtMost2560PairsAreReadAndAFileOverOneMebibyteIsNoScript) {
    std::string pairs;
    for (int i = 0; i < 2560; ++i) pairs += "11";
    read(pairs + "22");
    EXPECT_EQ(image[0], 0x11);
    EXPECT_EQ(image[2559], 0x11);
    EXPECT_EQ(parseScript(pairs + "22", image).pairs, 2560u);

    // A script followed by a comment up to the bound loads; one byte more, and nothing does.
    const std::string bounded =
        pairs + "\n//" + std::string(kScriptFileMax - pairs.size() - 3, 'c');
    ASSERT_EQ(bounded.size(), kScriptFileMax);
    EXPECT_EQ(load(bounded), std::nullopt);
    const std::string huge = write("huge.qef", pairs);
    fs::resize_file(huge, std::uintmax_t{4} << 30);  // and nothing past the bound is read
    EXPECT_EQ(loadPath(huge), "cannot read " + huge + ": larger than 1048576 bytes");
}

TEST_F(ScriptFiles, AFileGivesTheEepromsPairsOrTheWholeTableAndNoCountBetween) {
    // After a comment line, 16 pairs a line: pair 1025 stands on line 66.
    const auto script = [](std::size_t pairs) {
        std::string text = "// head\n";
        for (std::size_t i = 0; i < pairs; ++i) text += i % 16 == 15 ? "5a\n" : "5a ";
        return text;
    };
    for (const std::size_t pairs : {1024u, 2560u}) {
        EXPECT_EQ(load(script(pairs)), std::nullopt) << pairs;
        EXPECT_EQ(loaded.pairs, pairs);
    }
    // One pair too many (a line given twice) would move every byte after it.
    for (const std::size_t pairs : {1025u, 1040u, 2559u, 2561u}) {
        image.fill(0x77);
        EXPECT_EQ(load(script(pairs)),
                  write("s.qef", "") + ": holds " + std::to_string(pairs) +
                      " pairs where the EEPROM takes 1024: pair 1025 stands on line 66 (a script "
                      "gives 1024 pairs, or all 2560 of a whole table)");
        EXPECT_EQ(image[0], 0x77) << pairs;
    }
}

TEST_F(ScriptFiles, UnreadableFilesAreNamedAndLeaveTheImageAlone) {
    read("42");
    const std::string missing = scratch_.path("missing.qef");
    EXPECT_EQ(loadPath(missing), "cannot open " + missing + ": No such file or directory");

    const std::string directory = scratch_.path("folder.qef");
    fs::create_directories(directory);
    EXPECT_EQ(loadPath(directory), "cannot read " + directory + ": Is a directory");

#ifndef _WIN32
    // Neither a FIFO without a writer nor a device is opened as a script: no hang, no memory.
    const std::string fifo = scratch_.path("fifo.qef");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(loadPath(fifo), "cannot read " + fifo + ": not a regular file (a FIFO)");
    EXPECT_EQ(loadPath("/dev/zero"),
              "cannot read /dev/zero: not a regular file (a character device)");
#endif
    EXPECT_EQ(image[0], 0x42);
}

}  // namespace
}  // namespace vorlix::eeprom
