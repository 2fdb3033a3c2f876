// The dialog's shell: the About entry, closing, the minimised icon and the slider step every
// handler shares.
#include <gtest/gtest.h>

#include "frame/action_script.h"
#include "frame/dialog.h"
#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

TEST(Shell, SystemCommands16To31OpenTheAboutBoxOthersTakeTheDefaultPath) {
    PanelRig rig;
    rig.host.setScript(*frame::parseActionScript(
        "sys 15\nsys 16\nsys 31\nsys 32\nsys 0x10010\nsys 0xF060\nclick 1027\n", "about.txt"));
    rig.host.runModal(*rig.dlg);

    const auto trace = rig.takeTrace();
    std::vector<std::string> shell;
    for (const auto& line : trace)
        if (line[0] == '#' || line[0] == 'D') shell.push_back(line);
    EXPECT_EQ(shell,
              (std::vector<std::string>{"# sys 15", "# sys 16", "D 100", "# sys 31", "D 100",
                                        "# sys 32", "# sys 0x10010", "D 100", "# sys 0xF060"}));
    // SC_CLOSE ended the dialog: the Connect after it was never played, and closing sent
    // nothing to the camera.
    EXPECT_TRUE(rig.dlg->ended());
    EXPECT_EQ(rig.dlg->result(), frame::IDCANCEL);
    EXPECT_EQ(trace.back(), "# sys 0xF060");
}

TEST(Shell, EnterAndEscapeEndTheDialog) {
    for (bool enter : {true, false}) {
        PanelRig rig;
        rig.start();
        enter ? rig.dlg->enter() : rig.dlg->escape();
        EXPECT_TRUE(rig.dlg->ended());
        EXPECT_EQ(rig.dlg->result(), enter ? frame::IDOK : frame::IDCANCEL);
    }
}

TEST(ScrollStep, EveryCodeMovesWithinTheRangeAndPageSizeZeroStaysPut) {
    PanelRig rig;
    rig.start();
    auto& bar = rig.dlg->m_aexBar;
    // The slider as a person left it: at pos, with the thumb dragged to track.
    auto at = [&](int pos, int track = 0) {
        frame::ScrollInfo info = rig.model().scrollInfo(IDC_AEX_BAR);
        info.pos = pos;
        info.trackPos = track;
        rig.dlg->model().setScrollInfo(IDC_AEX_BAR, info);
    };
    struct Case {
        unsigned code;
        int from, track, expected;
    };
    for (const Case& c :
         {Case{frame::SB_LINELEFT, 0, 0, 0}, Case{frame::SB_LINELEFT, 9, 0, 8},
          Case{frame::SB_LINERIGHT, 255, 0, 255}, Case{frame::SB_LINERIGHT, 9, 0, 10},
          Case{frame::SB_PAGELEFT, 9, 0, 9}, Case{frame::SB_PAGERIGHT, 9, 0, 9},
          Case{frame::SB_THUMBPOSITION, 9, 77, 77}, Case{frame::SB_THUMBTRACK, 9, 78, 78},
          Case{frame::SB_LEFT, 9, 0, 0}, Case{frame::SB_RIGHT, 9, 0, 255}}) {
        at(c.from, c.track);
        EXPECT_EQ(rig.dlg->scrollStep(bar, c.code), c.expected) << c.code;
        EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), c.expected) << c.code;
    }
    at(42);
    EXPECT_EQ(rig.dlg->scrollStep(bar, frame::SB_ENDSCROLL), -1);
    EXPECT_EQ(rig.dlg->scrollStep(bar, 9), -1);
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 42);
}

TEST(ScrollStep, SliderDisplayRoutinesFollowTheMembers) {
    PanelRig rig;
    rig.start();
    rig.dlg->m_shutter = 577;
    rig.dlg->showShutterOnSlider();
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 192);
    rig.dlg->m_shutter = 0x300;  // a third beyond a byte stands at the end, not wrapped to 0
    rig.dlg->showShutterOnSlider();
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 192);
    rig.dlg->m_shutter = 2;
    rig.dlg->showShutterOnSlider();
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 0);
    rig.dlg->m_aexRef = 0x1A5;
    rig.dlg->showAexOnSlider();
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 0xA5);
}

}  // namespace
}  // namespace vorlix::test
