#include "frame/headless_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_dialog.h"

namespace vorlix::frame::testing {
namespace {

class HeadlessPlay : public ::testing::Test {
protected:
    HeadlessPlay() {
        host.setEventHook([this](const std::string& line) { trace.push_back(line); });
    }

    int play(const std::string& script) {
        host.setScript(*parseActionScript(script, "play.act"));
        return dlg.DoModal();
    }

    HeadlessHost host;
    CTestDlg dlg{host};
    std::vector<std::string> trace;
};

TEST_F(HeadlessPlay, TracesEachActionBeforeWhatItCauses) {
    int repowers = 0;
    host.setRepowerHook([&] {
        ++repowers;
        host.event("R");
    });
    const int result = play(
        "# a comment is no action\n"
        "type 1003 1ff\n"
        "click 1010\n"
        "sys 16\n"
        "buslog\n"
        "repower\n"
        "escape\n"
        "click 1000\n");

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(trace, (std::vector<std::string>{
                         "# type 1003 1ff",
                         "# click 1010",
                         "B value is ff",
                         "B done",
                         "# sys 16",
                         "D 100",
                         "# buslog",
                         "L open",
                         "# repower",
                         "R",
                         "# escape",
                     }));
    EXPECT_EQ(host.boxes(), (std::vector<std::string>{"value is ff", "done"}));
    EXPECT_EQ(host.nestedDialogsRun(), 1);
    EXPECT_EQ(host.busLogOpened(), 1);
    EXPECT_EQ(repowers, 1);
    EXPECT_EQ(dlg.notified[1000], 0);  // after the dialog ended nothing more is played
}

TEST_F(HeadlessPlay, FileDialogsAnswerFromTheQueueInOrder) {
    play(
        "click 1032\n"
        "file /tmp/a b.txt\n"
        "cancel\n"
        "file /tmp/c.txt\n"
        "click 1032\n"
        "click 1032\n"
        "click 1032\n");
    EXPECT_EQ(dlg.m_path, "/tmp/c.txt");
    EXPECT_EQ(host.fileFilters(), std::vector<std::string>(4, "Text files(.txt)|*.txt||"));
}

TEST_F(HeadlessPlay, FirstQueuedAnswersGoToTheFirstDialogs) {
    play(
        "file /tmp/a b.txt\n"
        "cancel\n"
        "click 1032\n");
    EXPECT_EQ(dlg.m_path, "/tmp/a b.txt");
    EXPECT_EQ(dlg.model().text(1040), "chosen");
    EXPECT_EQ(host.openFileDialog("f", false), std::nullopt);  // the queued cancel
    EXPECT_EQ(host.openFileDialog("f", false), std::nullopt);  // nothing queued
}

TEST_F(HeadlessPlay, WithoutScriptTheDialogEndsAsIfEnterWasPressed) {
    dlg.m_noteText = "from member";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(dlg.model().scrollInfo(1050).max, 192);  // initialised first
    EXPECT_EQ(dlg.model().text(1005), "from member");
}

TEST_F(HeadlessPlay, ScriptThatLeavesTheDialogOpenStillEndsIt) {
    host.setRepowerHook([&] { dlg.enableControl(IDOK, false); });
    EXPECT_EQ(play("repower\nenter\nscroll 1050 SB_THUMBTRACK 9\n"), IDOK);
    EXPECT_EQ(trace,
              (std::vector<std::string>{"# repower", "# enter", "# scroll 1050 SB_THUMBTRACK 9"}));
    EXPECT_EQ(dlg.m_value, 9);
}

TEST_F(HeadlessPlay, OnlyNestedDialogsAreReported) {
    CAboutTestDlg about(host);
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(host.nestedDialogsRun(), 0);

    play("sys 31\nsys 15\nsys 32\nsys 16\n");
    EXPECT_EQ(trace, (std::vector<std::string>{"# sys 31", "D 100", "# sys 15", "# sys 32",
                                               "# sys 16", "D 100"}));
}

TEST(Host, BoxOutsideAnyDialogIsTracedAndRecorded) {
    HeadlessHost host;
    std::vector<std::string> trace;
    host.setEventHook([&](const std::string& line) { trace.push_back(line); });
    host.messageBox("error: device not present");
    EXPECT_EQ(trace, std::vector<std::string>{"B error: device not present"});
    EXPECT_EQ(host.boxes(), std::vector<std::string>{"error: device not present"});
}

TEST(Host, WaitCursorShowsForTheLifetimeOfItsObject) {
    HeadlessHost host;
    {
        CWaitCursor outer(host);
        CWaitCursor inner(host);
        EXPECT_EQ(host.waitCursorDepth(), 2);
    }
    EXPECT_EQ(host.waitCursorDepth(), 0);
    EXPECT_EQ(host.waitCursorShown(), 2);
}

}  // namespace
}  // namespace vorlix::frame::testing
