#include "frame/dialog.h"

#include <gtest/gtest.h>

#include "frame/headless_host.h"
#include "frame/input_queue.h"
#include "test_dialog.h"

namespace vorlix::frame::testing {
namespace {

class DialogTest : public ::testing::Test {
protected:
    DialogTest() { dlg.OnInitDialog(); }

    HeadlessHost host;
    CTestDlg dlg{host};
    const DialogModel& model = dlg.model();
};

// --- What the program does to controls never reaches a handler. ---------------------------

TEST_F(DialogTest, HandlerRewritingItsOwnEditRunsOncePerKeystroke) {
    dlg.type(1003, "1ff");  // "1" -> "1", "1f" -> "1f", "1ff" -> clamped to "ff"
    EXPECT_EQ(dlg.notified[1003], 3);
    EXPECT_EQ(model.text(1003), "ff");
    EXPECT_EQ(dlg.m_value, 0xff);

    dlg.m_valueText = "42";
    dlg.UpdateData(false);
    dlg.setItemText(1003, "43");
    EXPECT_EQ(dlg.notified[1003], 3);
}

TEST_F(DialogTest, CheckSetByProgramIsNoClick) {
    dlg.click(1000);
    EXPECT_EQ(dlg.notified[1000], 1);
    EXPECT_EQ(dlg.notified[1001], 0);  // ticked and greyed by the handler, never clicked
    EXPECT_EQ(model.check(1001), 1);
    EXPECT_FALSE(model.isEnabled(1001));

    dlg.checkButton(1000, 0);
    dlg.m_manual = 1;
    dlg.UpdateData(false);
    EXPECT_EQ(dlg.notified[1000], 1);
}

TEST_F(DialogTest, SliderMovedByProgramSendsNoScrollMessage) {
    dlg.scroll(1050, SB_THUMBTRACK, 40);  // the handler writes info, position and range
    ASSERT_EQ(dlg.scrolls.size(), 1u);
    dlg.m_bar.SetScrollRange(0, 100);
    dlg.m_bar.SetScrollPos(7);
    dlg.model().setScrollInfo(1050, ScrollInfo{0, 5, 0, 3, 3});
    EXPECT_EQ(dlg.scrolls.size(), 1u);
}

// --- Clicks. -----------------------------------------------------------------------------

TEST_F(DialogTest, ClickTogglesCheckBoxBeforeItsHandlerRuns) {
    dlg.click(1000);
    EXPECT_EQ(dlg.m_manual, 1);  // the handler's refresh from controls saw the new state
    dlg.click(1000);
    EXPECT_EQ(dlg.m_manual, 0);
    EXPECT_EQ(model.check(1000), 0);
    EXPECT_EQ(dlg.notified[1000], 2);
}

TEST_F(DialogTest, ClickOnGreyedControlIsLost) {
    dlg.click(1000);  // greys 1001
    dlg.click(1001);
    EXPECT_EQ(dlg.notified[1001], 0);
    EXPECT_EQ(model.check(1001), 1);

    dlg.enableControl(IDOK, false);
    dlg.click(IDOK);
    EXPECT_FALSE(dlg.ended());
}

TEST_F(DialogTest, RadioClickChecksItAloneWithinItsGroup) {
    dlg.click(1030);
    dlg.click(1023);
    dlg.click(1021);
    EXPECT_EQ(model.check(1020), 0);
    EXPECT_EQ(model.check(1021), 1);
    EXPECT_EQ(model.check(1022), 0);
    EXPECT_EQ(model.check(1023), 1);  // after a label: a group of its own
    EXPECT_EQ(model.check(1030), 1);  // a group start ends the run before it
    dlg.click(1020);
    dlg.click(1020);  // clicking the checked radio still notifies
    EXPECT_EQ(model.check(1020), 1);
    EXPECT_EQ(model.check(1021), 0);
    EXPECT_EQ(dlg.targets, (std::vector<std::string>{"B", "A", "A"}));

    dlg.click(1031);
    EXPECT_EQ(model.check(1030), 0);
    EXPECT_EQ(model.check(1023), 1);
}

TEST_F(DialogTest, ProgramCheckRadioCoversTheRadiosOfTheIdRange) {
    dlg.checkButton(1000, 1);
    dlg.model().checkRadio(1000, 1022, 1022);
    EXPECT_EQ(model.check(1000), 1);  // a check box in the range is left alone
    EXPECT_EQ(model.check(1022), 1);
    dlg.model().checkRadio(1020, 1022, 1021);
    EXPECT_EQ(model.check(1021), 1);
    EXPECT_EQ(model.check(1022), 0);
    EXPECT_TRUE(dlg.targets.empty());
}

TEST_F(DialogTest, OkRefreshesMembersAndEnds) {
    dlg.paste(1005, "note");
    dlg.click(IDOK);
    EXPECT_TRUE(dlg.ended());
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.m_noteText, "note");
}

TEST_F(DialogTest, CancelEndsWithoutRefreshingMembers) {
    dlg.paste(1005, "note");
    dlg.click(IDCANCEL);
    EXPECT_TRUE(dlg.ended());
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_EQ(dlg.m_noteText, "");
}

TEST_F(DialogTest, ClicksOnNonButtonsAndUnknownIdsDoNothing) {
    dlg.click(1003);
    dlg.click(1050);
    dlg.click(9999);
    EXPECT_TRUE(dlg.notified.empty());
    EXPECT_TRUE(dlg.scrolls.empty());
}

// --- Keyboard. ---------------------------------------------------------------------------

TEST_F(DialogTest, TypingNotifiesPerCharacterPastingOnce) {
    dlg.type(1005, "ab c");
    EXPECT_EQ(dlg.notified[1005], 4);
    EXPECT_EQ(model.text(1005), "ab c");
    dlg.paste(1005, "xyz ");
    EXPECT_EQ(dlg.notified[1005], 5);
    EXPECT_EQ(model.text(1005), "xyz ");
    dlg.paste(1005, "");
    EXPECT_EQ(dlg.notified[1005], 6);
    EXPECT_EQ(model.text(1005), "");
}

TEST_F(DialogTest, TypingAppendsToTheTextAsTheHandlerLeftIt) {
    dlg.paste(1003, "zz");  // not a number: the handler writes "0"
    EXPECT_EQ(model.text(1003), "0");
    dlg.type(1003, "7");
    EXPECT_EQ(model.text(1003), "7");  // "07" read back and written as "7"
    EXPECT_EQ(dlg.m_value, 7);
}

TEST_F(DialogTest, ReadOnlyAndGreyedEditsTakeNoInput) {
    dlg.setItemText(1004, "fixed");
    dlg.type(1004, "x");
    dlg.paste(1004, "y");
    EXPECT_EQ(model.text(1004), "fixed");

    dlg.enableControl(1005, false);
    dlg.type(1005, "x");
    dlg.paste(1005, "y");
    EXPECT_EQ(model.text(1005), "");
    EXPECT_EQ(dlg.notified[1005], 0);
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonEscapeCancels) {
    dlg.paste(1005, "kept");
    dlg.enter();
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(dlg.m_noteText, "kept");

    CTestDlg other(host);
    other.OnInitDialog();
    other.escape();
    EXPECT_EQ(other.result(), IDCANCEL);
}

TEST_F(DialogTest, EnterOnGreyedDefaultButtonIsLost) {
    dlg.enableControl(IDOK, false);
    dlg.enter();
    EXPECT_FALSE(dlg.ended());
}

// --- Scroll bars. ------------------------------------------------------------------------

TEST_F(DialogTest, ScrollSetsTrackPositionBeforeTheMessage) {
    dlg.scroll(1050, SB_THUMBTRACK, 120);
    ASSERT_EQ(dlg.scrolls.size(), 1u);
    EXPECT_EQ(dlg.scrolls[0].code, unsigned{SB_THUMBTRACK});
    EXPECT_EQ(dlg.scrolls[0].pos, 120u);
    EXPECT_EQ(dlg.scrolls[0].scrollBar, 1050);
    EXPECT_EQ(model.scrollInfo(1050).pos, 120);

    dlg.scroll(1050, SB_LINERIGHT);
    EXPECT_EQ(dlg.scrolls[1].pos, 0u);
    EXPECT_EQ(model.scrollInfo(1050).pos, 121);

    // Outside a drag the track position is the position the program last set.
    dlg.scroll(1050, SB_THUMBPOSITION);
    EXPECT_EQ(model.scrollInfo(1050).pos, 121);
}

TEST_F(DialogTest, TrackPositionIsKeptWithinTheRange) {
    dlg.scroll(1050, SB_THUMBTRACK, 500);
    EXPECT_EQ(dlg.scrolls[0].pos, 192u);
    EXPECT_EQ(model.scrollInfo(1050).pos, 192);
    dlg.scroll(1050, SB_THUMBTRACK, -3);
    EXPECT_EQ(model.scrollInfo(1050).pos, 0);
}

TEST_F(DialogTest, GreyedScrollBarTakesNoInput) {
    dlg.enableControl(1050, false);
    dlg.scroll(1050, SB_THUMBTRACK, 10);
    EXPECT_TRUE(dlg.scrolls.empty());
    EXPECT_EQ(model.scrollInfo(1050).trackPos, 0);
}

// --- Data exchange. ----------------------------------------------------------------------

TEST_F(DialogTest, UpdateDataMovesTextsAndChecksBothWays) {
    dlg.m_valueText = "3f";
    dlg.m_manual = 1;
    dlg.m_noteText = "n";
    dlg.UpdateData(false);
    EXPECT_EQ(model.text(1003), "3f");
    EXPECT_EQ(model.check(1000), 1);
    EXPECT_EQ(model.text(1005), "n");

    dlg.setItemText(1003, "40");
    dlg.checkButton(1000, 0);
    dlg.checkButton(1001, 1);
    dlg.UpdateData(true);
    EXPECT_EQ(dlg.m_valueText, "40");
    EXPECT_EQ(dlg.m_manual, 0);
    EXPECT_EQ(dlg.m_fine, 1);
}

TEST_F(DialogTest, CheckSetOnControlIsLostWhenControlsAreRefreshedFirst) {
    dlg.checkButton(1001, 1);
    dlg.UpdateData(false);
    EXPECT_EQ(model.check(1001), 0);
}

TEST_F(DialogTest, InitialisationFillsControlsFromMembersAndAttachesWrappersOnce) {
    EXPECT_EQ(model.text(1003), "");
    EXPECT_EQ(dlg.m_bar.id(), 1050);
    EXPECT_EQ(dlg.m_progress.id(), 1066);
    EXPECT_EQ(model.scrollInfo(1050).max, 192);  // driven through the attached wrapper
    dlg.m_progress.SetPos(30);
    dlg.UpdateData(false);
    EXPECT_EQ(model.progress(1066).pos, 30);
}

// --- Window messages. --------------------------------------------------------------------

TEST_F(DialogTest, SysCommandGoesToTheMapCloseEndsWithCancel) {
    dlg.sysCommand(0xF020);  // minimise: default processing, nothing happens
    EXPECT_FALSE(dlg.ended());
    dlg.sysCommand(SC_CLOSE + 3);  // the low four bits are the platform's own
    EXPECT_TRUE(dlg.ended());
    EXPECT_EQ(dlg.result(), IDCANCEL);
}

TEST_F(DialogTest, UnmappedSysCommandTakesTheDefaultPath) {
    CAboutTestDlg about(host);
    about.sysCommand(0xF000);
    EXPECT_FALSE(about.ended());
    about.sysCommand(SC_CLOSE);
    EXPECT_EQ(about.result(), IDCANCEL);
}

TEST_F(DialogTest, DispatchTakesTheFirstEntryForAControl) {
    EXPECT_TRUE(dlg.dispatch(Message::BnClicked, 1020));
    EXPECT_FALSE(dlg.dispatch(Message::BnClicked, 1022));
    EXPECT_FALSE(dlg.dispatch(Message::EnChange, 1020));  // 1020 maps a click only
    EXPECT_TRUE(dlg.dispatch(Message::HScroll, 4711));    // window messages ignore the id
    EXPECT_EQ(dlg.targets, std::vector<std::string>{"A"});
}

// --- A window's input, one piece at a time. -------------------------------------------------

TEST_F(DialogTest, InputDuringLongWorkIsDroppedAndDuringOtherWorkRunsAfterIt) {
    bool longWork = false;
    InputQueue queue(dlg, [&longWork] { return longWork; });
    std::vector<int> shown;
    const auto show = [&shown](int id) { shown.push_back(id); };
    // A click the window takes while a handler runs (a repaint, a box's own loop): held while
    // the handler is quick, dropped while it does long work.
    const auto clickWhileRunning = [&](int outer, int inner, bool isLong) {
        return queue.deliver(
            [&, outer, inner, isLong] {
                dlg.click(outer);
                longWork = isLong;
                queue.deliver([&, inner] { dlg.click(inner); }, inner, show);
                longWork = false;
            },
            outer, show);
    };
    EXPECT_TRUE(clickWhileRunning(1021, 1020, true));
    EXPECT_EQ(dlg.targets, std::vector<std::string>{"B"});
    EXPECT_EQ(model.check(1020), 0);
    // Each source shows the model again, the dropped one's at once.
    EXPECT_EQ(shown, (std::vector<int>{1020, 1021}));

    shown.clear();
    EXPECT_TRUE(clickWhileRunning(1021, 1020, false));
    EXPECT_EQ(dlg.targets, (std::vector<std::string>{"B", "B", "A"}));
    EXPECT_EQ(model.check(1020), 1);
    EXPECT_EQ(shown, (std::vector<int>{1021, 1020}));

    // After the dialog ended, no input runs.
    EXPECT_TRUE(queue.deliver([&] { dlg.escape(); }, kNoId, show));
    queue.deliver([&] { dlg.click(1021); }, 1021, show);
    EXPECT_EQ(dlg.targets.size(), 3u);
}

}  // namespace
}  // namespace vorlix::frame::testing
