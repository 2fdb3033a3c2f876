#include "frame/action_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace vorlix::frame {
namespace {

using Kind = Action::Kind;

std::string errorOf(const std::string& text) {
    const io::Expected<ActionScript> script = parseActionScript(text, "run.act");
    return script ? "no error" : script.why();
}

// A script that must parse.
ActionScript parsed(const std::string& text, const std::string& fileName) {
    io::Expected<ActionScript> script = parseActionScript(text, fileName);
    EXPECT_TRUE(script) << script.why();
    return script ? *script : ActionScript{};
}

TEST(ActionScript, ReadsEveryAction) {
    const ActionScript s = parsed(
        "click 1014\n"
        "type 1003 1a\n"
        "paste 1054 0x1f\n"
        "scroll 1050 5 40\n"
        "scroll 1051 SB_ENDSCROLL\n"
        "file /tmp/a.qef\n"
        "cancel\n"
        "sys 16\n"
        "sys 0xF060\n"
        "repower\n"
        "enter\n"
        "escape\n"
        "buslog\n",
        "run.act");
    ASSERT_EQ(s.size(), 13u);
    EXPECT_EQ(s[0].kind, Kind::Click);
    EXPECT_EQ(s[0].id, 1014);
    EXPECT_EQ(s[1].kind, Kind::Type);
    EXPECT_EQ(s[1].id, 1003);
    EXPECT_EQ(s[1].text, "1a");
    EXPECT_EQ(s[2].kind, Kind::Paste);
    EXPECT_EQ(s[2].text, "0x1f");
    EXPECT_EQ(s[3].kind, Kind::Scroll);
    EXPECT_EQ(s[3].id, 1050);
    EXPECT_EQ(s[3].code, 5u);
    EXPECT_EQ(s[3].track, 40);
    EXPECT_EQ(s[4].code, 8u);
    EXPECT_FALSE(s[4].track.has_value());
    EXPECT_EQ(s[5].kind, Kind::File);
    EXPECT_EQ(s[5].text, "/tmp/a.qef");
    EXPECT_EQ(s[6].kind, Kind::Cancel);
    EXPECT_EQ(s[7].kind, Kind::Sys);
    EXPECT_EQ(s[7].code, 16u);
    EXPECT_EQ(s[8].code, 0xF060u);
    EXPECT_EQ(s[9].kind, Kind::Repower);
    EXPECT_EQ(s[10].kind, Kind::Enter);
    EXPECT_EQ(s[11].kind, Kind::Escape);
    EXPECT_EQ(s[12].kind, Kind::BusLog);
    EXPECT_EQ(s[3].source, "scroll 1050 5 40");
    EXPECT_EQ(s[11].line, 12);
}

TEST(ActionScript, ScrollCodesByNumberAndName) {
    const char* names[] = {"SB_LINELEFT",  "SB_LINERIGHT",     "SB_PAGELEFT",
                           "SB_PAGERIGHT", "SB_THUMBPOSITION", "SB_THUMBTRACK",
                           "SB_LEFT",      "SB_RIGHT",         "SB_ENDSCROLL"};
    for (unsigned code = 0; code < 9; ++code) {
        const std::string n = std::to_string(code);
        EXPECT_EQ(parsed("scroll 1068 " + n, "a").at(0).code, code);
        EXPECT_EQ(parsed(std::string("scroll 1068 ") + names[code], "a").at(0).code, code);
    }
    EXPECT_EQ(parsed("scroll 1068 4 -2", "a").at(0).track, -2);
}

TEST(ActionScript, TextIsTheRestOfTheLineAsItStands) {
    const ActionScript s = parsed(
        "type 1062 my file  name \r\n"
        "paste 1003  x\n"
        "paste 1003\n"
        "paste 1003 \n"
        "file /home/a b/c.qef\n",
        "a");
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].text, "my file  name ");  // trailing space kept, CR of the line end gone
    EXPECT_EQ(s[0].source, "type 1062 my file  name ");
    EXPECT_EQ(s[1].text, " x");
    EXPECT_EQ(s[2].text, "");
    EXPECT_EQ(s[3].text, "");
    EXPECT_EQ(s[4].text, "/home/a b/c.qef");
}

TEST(ActionScript, CommentsAndBlankLinesAreSkippedButCounted) {
    const ActionScript s = parsed(
        "# open the About box\n"
        "\n"
        "   \t\n"
        "  # indented comment\n"
        "sys 16\n"
        "enter",
        "a");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].line, 5);
    EXPECT_EQ(s[1].line, 6);
    EXPECT_TRUE(parsed("", "a").empty());
}

TEST(ActionScript, MalformedLinesNameFileAndLine) {
    EXPECT_EQ(errorOf("enter\nclik 1000\n"),
              "run.act:2: unknown action 'clik' (click, type, paste, scroll, file, cancel, sys, "
              "repower, buslog, enter, escape)");
    EXPECT_EQ(errorOf("click\n"), "run.act:1: click needs a control id");
    EXPECT_EQ(errorOf("click 0x3e8\n"), "run.act:1: '0x3e8' is not a decimal control id");
    EXPECT_EQ(errorOf("click -1\n"), "run.act:1: '-1' is not a decimal control id");
    EXPECT_EQ(errorOf("click 1000 1001\n"), "run.act:1: unexpected '1001' at the end of the line");
    EXPECT_EQ(errorOf("# c\r\ntype 1003\r\n"),
              "run.act:2: type needs the text to type after the control id");
    EXPECT_EQ(errorOf("scroll 1050\n"), "run.act:1: scroll needs a scroll code");
    EXPECT_EQ(errorOf("scroll 1050 9\n"),
              "run.act:1: scroll code '9' is neither 0..8 nor SB_LINELEFT..SB_ENDSCROLL");
    EXPECT_EQ(errorOf("scroll 1050 sb_left\n"),
              "run.act:1: scroll code 'sb_left' is neither 0..8 nor SB_LINELEFT..SB_ENDSCROLL");
    EXPECT_EQ(errorOf("scroll 1050 5 4x\n"),
              "run.act:1: track position '4x' is not a decimal number");
    EXPECT_EQ(errorOf("scroll 1050 5 4 4\n"), "run.act:1: unexpected '4' at the end of the line");
    EXPECT_EQ(errorOf("file\n"), "run.act:1: file needs a path");
    EXPECT_EQ(errorOf("cancel now\n"), "run.act:1: unexpected 'now' at the end of the line");
    EXPECT_EQ(errorOf("sys\n"), "run.act:1: sys needs a command identifier");
    EXPECT_EQ(errorOf("sys 0xg\n"),
              "run.act:1: '0xg' is not a command identifier (decimal or 0x hex)");
    EXPECT_EQ(errorOf("sys 99999999999\n"),
              "run.act:1: '99999999999' is not a command identifier (decimal or 0x hex)");
    // Control characters of the line come back escaped, a NUL included: one whole line.
    EXPECT_EQ(errorOf(std::string("cl\0ck\x1b[2J 1\n", 13)),
              "run.act:1: unknown action 'cl\\x00ck\\x1b[2J' (click, type, paste, scroll, file, "
              "cancel, sys, repower, buslog, enter, escape)");
}

TEST(ActionScript, LoadsFromAFileOrSaysWhyNot) {
    const std::string path = ::testing::TempDir() + "frame_actions.act";
    {
        std::ofstream out(path, std::ios::binary);
        out << "click 1000\r\nbogus\r\n";
    }
    EXPECT_EQ(loadActionScript(path).why(), path +
                                                ":2: unknown action 'bogus' (click, type, paste, "
                                                "scroll, file, cancel, sys, repower, buslog, "
                                                "enter, escape)");
    {
        std::ofstream out(path, std::ios::binary);
        out << "click 1000\r\nenter\r\n";
    }
    EXPECT_EQ(loadActionScript(path)->size(), 2u);
    std::remove(path.c_str());

    EXPECT_EQ(loadActionScript(path).why(),
              path + ": cannot open the action script: No such file or directory");
    EXPECT_EQ(loadActionScript(::testing::TempDir()).why(),
              ::testing::TempDir() + ": cannot read the action script: Is a directory");
}

}  // namespace
}  // namespace vorlix::frame
