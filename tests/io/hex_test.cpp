// Hexadecimal as the trace, the dump and the edits write it, and as each reader takes it.
#include "io/hex.h"

#include <gtest/gtest.h>

namespace vorlix::io {
namespace {

TEST(Hex, WritesLowerCaseWithoutPrefixPaddedOnlyToTheWidthAsked) {
    EXPECT_EQ(formatHex(0), "0");
    EXPECT_EQ(formatHex(0x240), "240");
    EXPECT_EQ(formatHex(0xABCD), "abcd");
    EXPECT_EQ(formatHex(0xFFFFFFFF), "ffffffff");
    EXPECT_EQ(formatHex(0x8000000000000000u), "8000000000000000");
    EXPECT_EQ(formatHex(0x1C, 4), "001c");
    EXPECT_EQ(formatHex(0x12345, 4), "12345");  // a wider value is never cut
    EXPECT_EQ(hexByte(0x0A), "0a");
    EXPECT_EQ(hexByte(0xFF), "ff");
}

TEST(Hex, AnEditReadsLikeTheCLibrarysUnsignedConversion) {
    struct Case {
        const char* text;
        std::uint32_t value;
    };
    for (const Case& c :
         {Case{"1f", 0x1F}, Case{"  1F", 0x1F}, Case{"+1f", 0x1F}, Case{"-1", 0xFFFFFFFF},
          Case{"-2", 0xFFFFFFFE}, Case{"0x1f", 0x1F}, Case{"0X1F", 0x1F}, Case{"0x", 0},
          Case{"0xg", 0}, Case{"1g5", 1}, Case{"", 0}, Case{"zz", 0}, Case{"-", 0},
          Case{"ffffffff", 0xFFFFFFFF}, Case{"100000000", 0xFFFFFFFF},
          Case{"-100000000", 0xFFFFFFFF}, Case{"00000000000000000042", 0x42}, Case{"\t\n 7", 7}}) {
        EXPECT_EQ(parseHex(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(Hex, ATypedByteIsOneOrTwoDigitsAfterAnOptionalPrefixAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<std::uint8_t> value;
    };
    for (const Case& c :
         {Case{"5", 0x05}, Case{"50", 0x50}, Case{"0x50", 0x50}, Case{"0X5f", 0x5F},
          Case{"FF", 0xFF}, Case{"0x0", 0x00}, Case{"", {}}, Case{"0x", {}}, Case{"100", {}},
          Case{"0x100", {}}, Case{" 50", {}}, Case{"50 ", {}}, Case{"+5", {}}, Case{"-1", {}},
          Case{"5g", {}}, Case{"x5", {}}, Case{"0x0x5", {}}}) {
        EXPECT_EQ(parseHexByte(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(Hex, AFixedWidthFieldTakesExactlyItsDigitsInEitherCase) {
    EXPECT_EQ(parseHexDigits("301C", 4), 0x301Cu);
    EXPECT_EQ(parseHexDigits("301c", 4), 0x301Cu);
    EXPECT_EQ(parseHexDigits("00", 2), 0u);
    for (const char* refused : {"1c", "0301c", "301g", " 01c", "+01c", "0x1c"}) {
        EXPECT_EQ(parseHexDigits(refused, 4), std::nullopt) << '"' << refused << '"';
    }
}

TEST(Hex, EveryByteWrittenIsReadBackByEveryReader) {
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const std::string text = hexByte(static_cast<std::uint8_t>(b));
        EXPECT_EQ(parseHexByte(text), b);
        EXPECT_EQ(parseHexDigits(text, 2), b);
        EXPECT_EQ(parseHex(text), b);
    }
}

}  // namespace
}  // namespace vorlix::io
