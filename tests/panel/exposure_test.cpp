// The "Auto Exposure" group: the mode box, the shutter and AEX edits, and the sliders.
#include <gtest/gtest.h>

#include <functional>

#include "camera_with.h"
#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

constexpr std::uint16_t kManual = 0x0000;
constexpr std::uint16_t kAutomatic = 0x000F;

TEST(Exposure, UntickingManualRestoresAutomaticShutterAndReadsAexReference) {
    PanelRig rig(cameraWith({{0xA804, kManual}, {0x3012, 0x0120}, {0xA812, 0x0050}}));
    rig.start();
    ASSERT_EQ(rig.checked(IDC_MANUAL_EXPOSURE), 1);
    rig.takeTrace();

    rig.dlg->click(IDC_MANUAL_EXPOSURE);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 a8 04", "W 70 00 0f",  // automatic
                                      "W 70 02 30 12", "W 70 01 3b",  // shutter start
                                      "W 70 02 a8 04", "W 70 00 0f",  // automatic again
                                      "W 70 03 a8 12", "P 2", "R 71 2 : 00 50"}));
    EXPECT_EQ(rig.dlg->m_manualExpCheck, 0);
    EXPECT_FALSE(rig.enabled(IDC_SHUTTER_BAR));
    EXPECT_FALSE(rig.enabled(IDC_SHUTTER_EDIT));
    EXPECT_TRUE(rig.enabled(IDC_AEX_BAR));
    EXPECT_TRUE(rig.enabled(IDC_AEX_EDIT));
    EXPECT_EQ(rig.text(IDC_AEX_EDIT), "50");
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 0x50);
    EXPECT_EQ(rig.dlg->m_aexRef, 0x50);
    // The shutter keeps its last value while it is not used.
    EXPECT_EQ(rig.dlg->m_shutter, 0x120);
    EXPECT_EQ(rig.camera.reg(0x3012), 0x013B);
    EXPECT_EQ(rig.camera.reg(0xA804), kAutomatic);
}

TEST(Exposure, TickingManualReadsTheShutterAndShowsItLimited) {
    PanelRig rig(cameraWith({{0xA804, kAutomatic}, {0x3012, 0x0300}, {0xA812, 0x0040}}));
    rig.start();
    ASSERT_EQ(rig.checked(IDC_MANUAL_EXPOSURE), 0);
    rig.takeTrace();

    rig.dlg->click(IDC_MANUAL_EXPOSURE);
    EXPECT_EQ(rig.takeTrace(),
              (Lines{"W 70 02 a8 04", "W 70 00 00", "W 70 03 30 12", "P 2", "R 71 2 : 03 00"}));
    EXPECT_EQ(rig.dlg->m_manualExpCheck, 1);
    EXPECT_TRUE(rig.enabled(IDC_SHUTTER_BAR));
    EXPECT_TRUE(rig.enabled(IDC_SHUTTER_EDIT));
    EXPECT_FALSE(rig.enabled(IDC_AEX_BAR));
    EXPECT_FALSE(rig.enabled(IDC_AEX_EDIT));
    EXPECT_EQ(rig.dlg->m_shutter, 0x240);
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "240");
    // The slider stands for the limited value, not for a wrapped quotient of the value read.
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 192);
    EXPECT_EQ(rig.dlg->m_aexRef, 0x40);
}

TEST(Exposure, EveryShutterKeystrokeIsLimitedShownAndWritten) {
    PanelRig rig(cameraWith({{0xA804, kManual}, {0x3012, 0x0000}}));
    rig.start();
    ASSERT_EQ(rig.text(IDC_SHUTTER_EDIT), "0");
    rig.takeTrace();

    rig.dlg->type(IDC_SHUTTER_EDIT, "300");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 00 03",     // "03"
                                      "W 70 02 30 12", "W 70 00 30",     // "030"
                                      "W 70 02 30 12", "W 70 02 40"}));  // "0300" limited
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "240");
    EXPECT_EQ(rig.dlg->m_shutter, 0x240);
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 192);

    rig.dlg->paste(IDC_SHUTTER_EDIT, "2");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 00 02"}));
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 0);

    rig.dlg->paste(IDC_SHUTTER_EDIT, "zz");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 00 00"}));
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "0");
}

TEST(Exposure, AexEditKeepsTheTypedTextWhileTheValueIsLimited) {
    PanelRig rig(cameraWith({{0xA804, kAutomatic}, {0xA812, 0x0010}}));
    rig.start();
    rig.dlg->paste(IDC_AEX_EDIT, "");
    rig.takeTrace();

    rig.dlg->type(IDC_AEX_EDIT, "1ff");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 a8 12", "W 70 00 01", "W 70 02 a8 12", "W 70 00 1f",
                                      "W 70 02 a8 12", "W 70 00 ff"}));
    EXPECT_EQ(rig.text(IDC_AEX_EDIT), "1ff");
    EXPECT_EQ(rig.dlg->m_aexRef, 0xFF);
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 255);
}

TEST(Exposure, ShutterSliderStepsThreeUnitsAndWritesEveryNotification) {
    PanelRig rig(cameraWith({{0xA804, kManual}, {0x3012, 0x0030}}));
    rig.start();
    rig.takeTrace();
    const int shownBefore = rig.host.waitCursorShown();

    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_THUMBTRACK, 192);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 02 40"}));
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "240");
    EXPECT_EQ(rig.dlg->m_shutter, 0x240);

    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_THUMBPOSITION, 1);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 00 03"}));
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "3");

    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_RIGHT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 02 40"}));
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 192);

    // The end of every slider action writes the value once more, unchanged.
    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_ENDSCROLL);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 02 40"}));
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "240");

    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_LINELEFT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 02 3d"}));
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "23d");

    // A trough click moves nothing (the page is 0) and still writes the position as a value.
    rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_PAGERIGHT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 02 3d"}));

    EXPECT_EQ(rig.host.waitCursorShown() - shownBefore, 6);
    EXPECT_EQ(rig.host.waitCursorDepth(), 0);
}

TEST(Exposure, AexSliderEndOfScrollRewritesTheValueWhileTheGainSliderWritesNothing) {
    PanelRig rig(cameraWith({{0xA804, kAutomatic}, {0xA812, 0x0080}, {0x326C, 0x2000}}));
    rig.start();
    rig.takeTrace();

    rig.dlg->scroll(IDC_AEX_BAR, frame::SB_LINERIGHT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 a8 12", "W 70 00 81"}));
    EXPECT_EQ(rig.text(IDC_AEX_EDIT), "81");
    EXPECT_EQ(rig.dlg->m_aexRef, 0x81);

    rig.dlg->scroll(IDC_AEX_BAR, frame::SB_ENDSCROLL);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 a8 12", "W 70 00 81"}));
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 0x81);

    rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_ENDSCROLL);
    EXPECT_TRUE(rig.takeTrace().empty());
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "4");
    EXPECT_EQ(rig.host.waitCursorDepth(), 0);
}

TEST(Exposure, AbsentCameraGivesOneBoxPerFailedCommandAndTheHandlersGoOn) {
    PanelRig rig(cameraWith({{0xA804, kManual}, {0x3012, 0x0090}, {0xA812, 0x0020}}));
    rig.start();
    rig.camera.state().present = false;
    rig.takeTrace();

    struct Step {
        const char* what;
        std::function<void()> act;
        int commands;  // each fails at its header and sends nothing more
    };
    const Step steps[] = {
        {"type shutter", [&] { rig.dlg->type(IDC_SHUTTER_EDIT, "7"); }, 1},
        {"shutter slider", [&] { rig.dlg->scroll(IDC_SHUTTER_BAR, frame::SB_ENDSCROLL); }, 1},
        {"untick manual", [&] { rig.dlg->click(IDC_MANUAL_EXPOSURE); }, 4},
        {"type aex", [&] { rig.dlg->type(IDC_AEX_EDIT, "5"); }, 1},
        {"aex slider", [&] { rig.dlg->scroll(IDC_AEX_BAR, frame::SB_LINERIGHT); }, 1},
        {"tick manual", [&] { rig.dlg->click(IDC_MANUAL_EXPOSURE); }, 2},
    };
    for (const Step& step : steps) {
        const std::size_t boxesBefore = rig.host.boxes().size();
        step.act();
        const auto trace = rig.takeTrace();
        EXPECT_EQ(countLines(trace, "B error: device not present"), step.commands) << step.what;
        EXPECT_EQ(rig.host.boxes().size() - boxesBefore, std::size_t(step.commands)) << step.what;
    }
    // A failed read shows what the link returned, like any other value.
    EXPECT_EQ(rig.dlg->m_shutter, 0);
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "0");
    EXPECT_EQ(rig.dlg->m_aexRef, 6);
    EXPECT_EQ(rig.host.waitCursorDepth(), 0);
}

}  // namespace
}  // namespace vorlix::test
