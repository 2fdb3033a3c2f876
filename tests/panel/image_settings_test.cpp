// Mirror and flip, the sharpness gain, and the overlays.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "camera_with.h"
#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

constexpr int kBankA4 = 2;

TEST(Projection, TickingMirrorStoresTheShadowThenWritesBothRegisters) {
    PanelRig rig(cameraWith({{0x301C, 0x0000}, {0x3254, 0x1235}}));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_MIRROR);
    EXPECT_EQ(rig.takeTrace(),
              (Lines{"W 70 03 30 1c", "P 2", "R 71 2 : 00 00", "W 70 03 32 54", "P 2",
                     "R 71 2 : 12 35", "W 70 00 a4 fe", "W 70 00",  // shadow high byte
                     "W 70 00 a4 ff", "W 70 02",                    // shadow low byte: mirror
                     "W 70 02 30 1c", "W 70 00 01", "W 70 02 32 54", "W 70 12 35"}));
    EXPECT_EQ(rig.dlg->m_mirrorCheck, 1);
    EXPECT_EQ(rig.camera.eeprom(0xA4, 0xFF), 0x02);
    EXPECT_EQ(rig.camera.reg(0x301C), 0x0001);
}

TEST(Projection, UntickingMirrorSetsBit8AndTheCompanionFollowsTheLowBits) {
    PanelRig rig(cameraWith({{0x301C, 0x0003}, {0x3254, 0x5557}}));
    rig.start();
    ASSERT_EQ(rig.checked(IDC_MIRROR), 1);
    rig.takeTrace();

    rig.dlg->click(IDC_MIRROR);
    const auto trace = rig.takeTrace();
    ASSERT_EQ(trace.size(), 14u);
    EXPECT_EQ(Lines(trace.end() - 4, trace.end()),
              (Lines{"W 70 02 30 1c", "W 70 01 02", "W 70 02 32 54", "W 70 55 56"}));
    EXPECT_EQ(rig.dlg->m_mirrorCheck, 0);
}

TEST(Projection, FlipWritesNoEepromItsShadowBitTravelsWithTheNextMirror) {
    PanelRig rig(cameraWith({{0x301C, 0x0000}, {0x3254, 0xFFFF}}));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_FLIP);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 03 30 1c", "P 2", "R 71 2 : 00 00", "W 70 03 32 54",
                                      "P 2", "R 71 2 : ff ff", "W 70 02 30 1c", "W 70 01 02",
                                      "W 70 02 32 54", "W 70 ff fe"}));
    EXPECT_EQ(rig.dlg->m_flipCheck, 1);
    EXPECT_EQ(rig.dlg->m_projBits, 0x4u);

    // Ticking mirror keeps bit 8 as read and stores both shadow bits.
    rig.dlg->click(IDC_MIRROR);
    auto trace = rig.takeTrace();
    EXPECT_EQ(Lines(trace.begin() + 6, trace.end()),
              (Lines{"W 70 00 a4 fe", "W 70 00", "W 70 00 a4 ff", "W 70 06", "W 70 02 30 1c",
                     "W 70 01 03", "W 70 02 32 54", "W 70 ff ff"}));

    rig.dlg->click(IDC_MIRROR);
    trace = rig.takeTrace();
    EXPECT_EQ(Lines(trace.begin() + 6, trace.begin() + 10),
              (Lines{"W 70 00 a4 fe", "W 70 00", "W 70 00 a4 ff", "W 70 04"}));
    EXPECT_EQ(rig.camera.reg(0x301C), 0x0102);

    rig.dlg->click(IDC_FLIP);
    trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "W 70 00 a4"), 0);
    EXPECT_EQ(rig.camera.reg(0x301C), 0x0100);
    EXPECT_EQ(rig.camera.reg(0x3254), 0xFFFC);
    EXPECT_EQ(rig.dlg->m_projBits, 0x0u);
    EXPECT_EQ(rig.camera.eeprom(0xA4, 0xFF), 0x04);  // flip's release waits for a mirror click
}

TEST(Projection, UntickingFlipClearsBit1AndSetsBit8) {
    PanelRig rig(cameraWith({{0x301C, 0x0103}, {0x3254, 0x0000}}));
    rig.start();
    ASSERT_EQ(rig.checked(IDC_FLIP), 1);
    rig.takeTrace();

    rig.dlg->click(IDC_FLIP);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(Lines(trace.begin() + 6, trace.end()),
              (Lines{"W 70 02 30 1c", "W 70 01 01", "W 70 02 32 54", "W 70 00 01"}));
}

TEST(Projection, TheFirstMirrorClickKeepsTheFlipTheCameraStartedWith) {
    PanelRig rig(cameraWith({{0x301C, 0x0002}}));
    rig.start();
    rig.dlg->click(IDC_MIRROR);
    EXPECT_EQ(rig.camera.eeprom(0xA4, 0xFF), 0x06);
}

TEST(Projection, AFailedWriteLeavesTheBoxAndShadowAsTheProjectionRegisterHoldsThem) {
    // Mirror's transactions: the two reads (1-4), the shadow's two bytes (5-8), the projection
    // register (9, 10), its companion (11, 12); flip's have no shadow (5-8 are the registers).
    struct Case {
        int box;
        std::uint32_t failing;
        bool projectionChanged;
        std::size_t linesAfterReads;  // the write transactions that went out, the failed one too
    };
    const Case cases[] = {
        {IDC_MIRROR, 6, false, 2},  {IDC_MIRROR, 7, false, 3}, {IDC_MIRROR, 9, false, 5},
        {IDC_MIRROR, 10, false, 6}, {IDC_MIRROR, 12, true, 8}, {IDC_FLIP, 5, false, 1},
        {IDC_FLIP, 6, false, 2},    {IDC_FLIP, 8, true, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.box) + " failing at " + std::to_string(c.failing));
        PanelRig rig(cameraWith({{0x301C, 0x0000}, {0x3254, 0x1234}}));
        rig.start();
        rig.takeTrace();
        const std::uint32_t shadowBefore = rig.dlg->m_projBits;
        rig.camera.state().faults.push_back(
            {rig.camera.transactions() + c.failing, std::nullopt, kStatusNack});

        rig.dlg->click(c.box);
        const auto trace = rig.takeTrace();
        // The reads, the writes up to the failed one, its one box, and nothing after it.
        EXPECT_EQ(trace.size(), 6 + c.linesAfterReads + 1);
        EXPECT_EQ(trace.back(), "B not a correct acknowledge recieved");
        const std::uint16_t bit = c.box == IDC_MIRROR ? 0x0001 : 0x0002;
        EXPECT_EQ((rig.camera.reg(0x301C) & bit) != 0, c.projectionChanged);
        EXPECT_EQ(rig.checked(c.box), c.projectionChanged ? 1 : 0);
        EXPECT_EQ(rig.dlg->m_projBits != shadowBefore, c.projectionChanged);
    }
}

TEST(Projection, AFailedReadIsToldAndNothingIsWrittenBack) {
    PanelRig rig(cameraWith({{0x301C, 0x0102}, {0x3254, 0x1234}}));
    rig.start();
    rig.takeTrace();
    // The fourth transaction of the click is the data phase of the 0x3254 read.
    rig.camera.state().faults.push_back({rig.camera.transactions() + 4, std::nullopt, kStatusNack});

    rig.dlg->click(IDC_MIRROR);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "B not a correct acknowledge recieved"), 1);
    EXPECT_EQ(trace.back(), "B not a correct acknowledge recieved");  // nothing after the box
    EXPECT_EQ(countLines(trace, "W 70 00 a4"), 0);
    EXPECT_EQ(rig.camera.reg(0x301C), 0x0102);
    EXPECT_EQ(rig.camera.reg(0x3254), 0x1234);
    EXPECT_EQ(rig.checked(IDC_MIRROR), 0);  // back to what the camera shows
    EXPECT_EQ(rig.dlg->m_projBits, 0x4u);   // the flip read at start-up, unchanged

    // Flip likewise, on its first read.
    rig.camera.state().faults.push_back({rig.camera.transactions() + 1, std::nullopt, kStatusNack});
    rig.dlg->click(IDC_FLIP);
    EXPECT_EQ(rig.takeTrace().back(), "B not a correct acknowledge recieved");
    EXPECT_EQ(rig.camera.reg(0x301C), 0x0102);
    EXPECT_EQ(rig.checked(IDC_FLIP), 1);  // the camera's flip, as read at start-up
}

TEST(Sharpness, TypedGainIsLimitedToSevenAndWrittenWithTheOtherBits) {
    PanelRig rig(cameraWith({{0x326C, 0xC123}}));
    rig.start();
    ASSERT_EQ(rig.text(IDC_GAIN_EDIT), "0");
    rig.takeTrace();

    rig.dlg->type(IDC_GAIN_EDIT, "9");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 32 6c", "W 70 f9 23"}));
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "7");
    EXPECT_EQ(rig.dlg->m_sharpReg, 0xF923);
    EXPECT_EQ(rig.sliderPos(IDC_SHARP_BAR), 7);

    rig.dlg->paste(IDC_GAIN_EDIT, "2");
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 32 6c", "W 70 d1 23"}));
    EXPECT_EQ(rig.sliderPos(IDC_SHARP_BAR), 2);
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "2");
}

TEST(Sharpness, SliderMovesWriteTheGainAndShowItEndOfScrollWritesNothing) {
    PanelRig rig(cameraWith({{0x326C, 0x0455}}));
    rig.start();
    rig.takeTrace();

    rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_THUMBTRACK, 5);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 32 6c", "W 70 2c 55"}));
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "5");
    EXPECT_EQ(rig.dlg->m_sharpReg, 0x2C55);

    rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_RIGHT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 32 6c", "W 70 3c 55"}));
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "7");

    rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_LINELEFT);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 32 6c", "W 70 34 55"}));
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "6");

    rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_ENDSCROLL);
    EXPECT_TRUE(rig.takeTrace().empty());
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "6");
    EXPECT_EQ(rig.camera.reg(0x326C), 0x3455);
    EXPECT_EQ(rig.host.waitCursorDepth(), 0);
}

struct OverlayCase {
    int id;
    const char* header;
    const char* on;
    const char* off;
};

TEST(Overlays, EachBoxWritesItsOwnRegisterWithItsNumber) {
    PanelRig rig(
        cameraWith({{0x4F02, 0x8000}, {0x4F08, 0}, {0x4F0A, 0}, {0x4F0C, 0}, {0x4F0E, 0}}));
    rig.start();
    rig.takeTrace();

    const OverlayCase cases[] = {
        {IDC_OVERLAY1, "W 70 02 4f 08", "W 70 80 00", "W 70 00 00"},
        {IDC_OVERLAY2, "W 70 02 4f 0a", "W 70 80 01", "W 70 00 01"},
        {IDC_OVERLAY3, "W 70 02 4f 0c", "W 70 80 02", "W 70 00 02"},
        {IDC_OVERLAY4, "W 70 02 4f 0e", "W 70 80 03", "W 70 00 03"},
    };
    for (const OverlayCase& c : cases) {
        rig.dlg->click(c.id);
        EXPECT_EQ(rig.takeTrace(), (Lines{c.header, c.on})) << c.id;
        EXPECT_EQ(rig.checked(c.id), 1) << c.id;
        rig.dlg->click(c.id);
        EXPECT_EQ(rig.takeTrace(), (Lines{c.header, c.off})) << c.id;
    }
    rig.dlg->click(IDC_OVERLAY2);
    EXPECT_EQ(rig.dlg->m_overlay2, 1);
    EXPECT_EQ(rig.dlg->m_overlay1, 0);
}

TEST(Overlays, SwitchingTheFunctionOffGreysTheBoxesAndLeavesThemAsTheyAre) {
    PanelRig rig(cameraWith({{0x4F02, 0x8000},
                             {0x4F08, 0x8000},
                             {0x4F0A, 0x8001},
                             {0x4F0C, 0x0002},
                             {0x4F0E, 0x0003}}));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_OVERLAY_ENABLE);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 4f 02", "W 70 00 00"}));
    EXPECT_EQ(rig.dlg->m_overlayEnable, 0);
    for (int id : {IDC_OVERLAY1, IDC_OVERLAY2, IDC_OVERLAY3, IDC_OVERLAY4})
        EXPECT_FALSE(rig.enabled(id)) << id;
    EXPECT_EQ(rig.checked(IDC_OVERLAY1), 1);
    EXPECT_EQ(rig.checked(IDC_OVERLAY2), 1);
    EXPECT_EQ(rig.checked(IDC_OVERLAY3), 0);
    EXPECT_EQ(rig.camera.reg(0x4F08), 0x8000);
    EXPECT_EQ(rig.camera.reg(0x4F0A), 0x8001);

    rig.dlg->click(IDC_OVERLAY_ENABLE);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 4f 02", "W 70 80 00"}));
    for (int id : {IDC_OVERLAY1, IDC_OVERLAY2, IDC_OVERLAY3, IDC_OVERLAY4})
        EXPECT_TRUE(rig.enabled(id)) << id;
}

TEST(ImageSettings, AbsentCameraGivesOneBoxPerFailedCommandAndTheHandlersGoOn) {
    PanelRig rig(cameraWith({{0x4F02, 0x8000}, {0x4F0C, 0x0000}, {0x301C, 0x0000}}));
    rig.start();
    rig.camera.state().present = false;
    rig.takeTrace();

    struct Step {
        const char* what;
        std::function<void()> act;
        int commands;  // each fails at its header and sends nothing more
    };
    const Step steps[] = {
        // Mirror and flip end at their first failed read: nothing unread is written back.
        {"mirror", [&] { rig.dlg->click(IDC_MIRROR); }, 1},
        {"flip", [&] { rig.dlg->click(IDC_FLIP); }, 1},
        {"gain edit", [&] { rig.dlg->paste(IDC_GAIN_EDIT, "3"); }, 1},
        {"gain slider", [&] { rig.dlg->scroll(IDC_SHARP_BAR, frame::SB_LINERIGHT); }, 1},
        {"overlay 3", [&] { rig.dlg->click(IDC_OVERLAY3); }, 1},
        {"overlay function", [&] { rig.dlg->click(IDC_OVERLAY_ENABLE); }, 1},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(countLines(rig.takeTrace(), "B error: device not present"), step.commands)
            << step.what;
    }
    EXPECT_EQ(rig.checked(IDC_MIRROR), 0);  // as the camera was last read
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "4");
    EXPECT_EQ(rig.checked(IDC_OVERLAY3), 1);
}

}  // namespace
}  // namespace vorlix::test
