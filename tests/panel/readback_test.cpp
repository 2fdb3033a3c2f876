// Start-up and Connect: what the read-back puts on the bus and into the controls.
#include <gtest/gtest.h>

#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

enum Bank { A0 = 0, A2 = 1, A4 = 2, A6 = 3 };

sim::SimState chosenCamera() {
    sim::SimState s = sim::SimState::builtInDefault();
    s.registers = {{0x301C, 0x0003}, {0x4000, 0x0002}, {0x4F02, 0x8000}, {0x4F08, 0x8000},
                   {0x4F0A, 0x0000}, {0x4F0C, 0x8001}, {0x4F0E, 0x0002}, {0xA804, 0x000F},
                   {0xA812, 0x0050}, {0x3012, 0x0120}, {0xAC04, 0x00FF}, {0x326C, 0x3800}};
    for (auto& bank : s.eeprom) bank.fill(0xFF);
    s.eeprom[A2][0] = 0x10;
    s.eeprom[A2][1] = 0x0C;
    return s;
}

TEST(ReadBack, StartUpSetsUpTheShellAndPanelThenReadsTheCameraInOrder) {
    PanelRig rig(chosenCamera());
    rig.start();

    EXPECT_EQ(rig.host.shellCalls(),
              (std::vector<std::string>{"separator", "menu 10 &About Vorlix rev1.6", "icon big 128",
                                        "icon small 128"}));
    EXPECT_EQ(rig.model().scrollInfo(IDC_SHUTTER_BAR).max, 192);
    EXPECT_EQ(rig.model().scrollInfo(IDC_AEX_BAR).max, 255);
    EXPECT_EQ(rig.model().scrollInfo(IDC_SHARP_BAR).max, 7);
    EXPECT_EQ(rig.checked(IDC_TARGET_SENSOR), 1);
    EXPECT_EQ(rig.dlg->m_target, 0xBA);
    EXPECT_TRUE(rig.enabled(IDC_REG_HI));
    EXPECT_TRUE(rig.enabled(IDC_DATA_HI));

    const auto trace = rig.takeTrace();
    // clang-format off
    const std::vector<std::string> expected = {
        "P 2",           "W 70 01 a0 fe", "R 71 1 : ff",                          // search
        "W 70 03 30 1c", "P 2",           "R 71 2 : 00 03",                       // projection
        "W 70 03 40 00", "P 2",           "R 71 2 : 00 02",                       // TV mode
        "W 70 03 4f 02", "P 2",           "R 71 2 : 80 00",                       // overlays
        "W 70 03 4f 08", "P 2",           "R 71 2 : 80 00",
        "W 70 03 4f 0a", "P 2",           "R 71 2 : 00 00",
        "W 70 03 4f 0c", "P 2",           "R 71 2 : 80 01",
        "W 70 03 4f 0e", "P 2",           "R 71 2 : 00 02",
        "W 70 03 a8 04", "P 2",           "R 71 2 : 00 0f",                       // exposure
        "W 70 03 a8 12", "P 2",           "R 71 2 : 00 50",
        "W 70 03 30 12", "P 2",           "R 71 2 : 01 20",
        "W 70 03 ac 04", "P 2",           "R 71 2 : 00 ff",                       // white balance
        "W 70 03 32 6c", "P 2",           "R 71 2 : 38 00",                       // sharpness
        "W 70 01 a3 00", "P 2",           "R 71 1 : 10",                          // trim
        "W 70 01 a3 01", "P 2",           "R 71 1 : 0c",
        "W 70 01 a3 00", "P 2",           "R 71 1 : 10",                          // trim block
    };
    // clang-format on
    ASSERT_GE(trace.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + expected.size()), expected);
    EXPECT_EQ(trace.size(), 3u + 3u * (12 + 2 + 580));
    EXPECT_EQ(trace.back(), "R 71 1 : ff");
    EXPECT_EQ(trace[trace.size() - 3], "W 70 01 a7 43");
    EXPECT_TRUE(rig.host.boxes().empty());

    EXPECT_EQ(rig.text(IDC_ADDRESS), "70");
    EXPECT_EQ(rig.checked(IDC_MIRROR), 1);
    EXPECT_EQ(rig.checked(IDC_FLIP), 1);
    EXPECT_EQ(rig.text(IDC_TV_MODE), "PAL");
    EXPECT_EQ(rig.checked(IDC_OVERLAY_ENABLE), 1);
    EXPECT_EQ(rig.checked(IDC_OVERLAY1), 1);
    EXPECT_EQ(rig.checked(IDC_OVERLAY2), 0);
    EXPECT_EQ(rig.checked(IDC_OVERLAY3), 1);
    EXPECT_EQ(rig.checked(IDC_OVERLAY4), 0);
    EXPECT_EQ(rig.checked(IDC_MANUAL_EXPOSURE), 0);
    EXPECT_EQ(rig.text(IDC_AEX_EDIT), "50");
    EXPECT_EQ(rig.sliderPos(IDC_AEX_BAR), 0x50);
    EXPECT_EQ(rig.text(IDC_SHUTTER_EDIT), "120");
    EXPECT_EQ(rig.sliderPos(IDC_SHUTTER_BAR), 0x120 / 3);
    EXPECT_FALSE(rig.enabled(IDC_SHUTTER_BAR));
    EXPECT_FALSE(rig.enabled(IDC_SHUTTER_EDIT));
    EXPECT_EQ(rig.text(IDC_WB_MODE), "AWB!");
    EXPECT_EQ(rig.text(IDC_GAIN_EDIT), "7");
    EXPECT_EQ(rig.sliderPos(IDC_SHARP_BAR), 7);
    EXPECT_EQ(rig.text(IDC_TRIM_X), "10");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "c");
    EXPECT_FALSE(rig.enabled(IDC_ADDR_PLUS));
    EXPECT_FALSE(rig.enabled(IDC_ADDR_MINUS));
}

TEST(ReadBack, NoCameraShowsFfAndReadsNothing) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.present = false;
    PanelRig rig(s);
    rig.start();

    const auto trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "W "), 125);  // every even address but the sensor's 0xba
    EXPECT_EQ(countLines(trace, "P 2"), 125);
    EXPECT_EQ(countLines(trace, "R "), 0);
    EXPECT_EQ(trace.back(), "B No valid address found, re-power cam and retry.");
    EXPECT_EQ(rig.host.boxes().size(), 1u);
    EXPECT_EQ(rig.dlg->m_camAddr, 255);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "ff");
    EXPECT_EQ(rig.text(IDC_TV_MODE), "");
    EXPECT_TRUE(rig.enabled(IDC_ADDR_PLUS));
}

// Every handler that sends to the camera's address, after a read-back or a search that found
// no camera: one box, nothing on the bus, the controls as they were; once Connect finds the
// camera again, they send as before.
TEST(ReadBack, WithoutACameraEveryHandlerThatSendsToItRefusesAndSendsNothing) {
    enum Input { Click, Type, Scroll };
    struct Action {
        int id;
        Input input;
    };
    const Action actions[] = {
        {IDC_MIRROR, Click},       {IDC_FLIP, Click},        {IDC_MANUAL_EXPOSURE, Click},
        {IDC_SHUTTER_EDIT, Type},  {IDC_AEX_EDIT, Type},     {IDC_AEX_BAR, Scroll},
        {IDC_SHUTTER_BAR, Scroll}, {IDC_AWB, Click},         {IDC_PUSH2WHITE, Click},
        {IDC_GAIN_EDIT, Type},     {IDC_SHARP_BAR, Scroll},  {IDC_OVERLAY_ENABLE, Click},
        {IDC_OVERLAY1, Click},     {IDC_SEND, Click},        {IDC_ADDR_PLUS, Click},
        {IDC_SAVE, Click},         {IDC_ERASE, Click},       {IDC_LOAD_EEPROM, Click},
        {IDC_TRIM_STORE, Click},   {IDC_SET_ADDRESS, Click},
    };
    // The camera absent at start (every control as the template makes it); gone before a
    // search after a good start (the controls the read-back greyed lose their clicks as on
    // screen, the others are refused).
    for (const bool atStart : {true, false}) {
        sim::SimState s = chosenCamera();
        s.present = !atStart;
        PanelRig rig(s);
        rig.start();
        rig.camera.state().present = false;
        if (!atStart) rig.dlg->click(IDC_SEARCH_ADDRESS);
        rig.dlg->click(IDC_READ);  // enables Addr+
        rig.takeTrace();
        const std::string before = rig.dump();
        int refused = 0;
        for (const Action& action : actions) {
            if (!rig.enabled(action.id)) continue;
            if (action.input == Click) rig.dlg->click(action.id);
            if (action.input == Type) rig.dlg->type(action.id, "5");
            if (action.input == Scroll) rig.dlg->scroll(action.id, frame::SB_LINERIGHT);
            EXPECT_EQ(rig.takeTrace(),
                      (std::vector<std::string>{
                          "B No camera is connected: press Connect first. Nothing was sent."}))
                << action.id << (atStart ? " (absent at start)" : " (after a search)");
            ++refused;
            // A typed key stays as typed, like any keystroke in an edit.
            if (action.input == Type)
                rig.dlg->model().setText(
                    action.id, rig.text(action.id).substr(0, rig.text(action.id).size() - 1));
        }
        EXPECT_EQ(refused, atStart ? 20 : 17);
        EXPECT_TRUE(rig.dump() == before) << "a control or member changed";

        rig.camera.state().present = true;
        rig.dlg->click(IDC_CONNECT);
        rig.takeTrace();
        rig.dlg->click(IDC_MIRROR);
        EXPECT_GT(countLines(rig.takeTrace(), "W 70 "), 0);
    }
}

struct ReadBackCase {
    std::uint16_t reg;
    std::uint16_t value;
};

// One register set differently from the chosen camera, the rest as there.
PanelRig& startWith(std::unique_ptr<PanelRig>& rig, std::initializer_list<ReadBackCase> regs) {
    sim::SimState s = chosenCamera();
    for (auto [reg, value] : regs) s.registers[reg] = value;
    rig = std::make_unique<PanelRig>(s);
    return rig->start();
}

TEST(ReadBack, ProjectionBitsTickMirrorAndFlip) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0x301C, 0x0002}});
    EXPECT_EQ(rig->checked(IDC_MIRROR), 0);
    EXPECT_EQ(rig->checked(IDC_FLIP), 1);
}

TEST(ReadBack, TvModeBitOneIsPal) {
    std::unique_ptr<PanelRig> rig;
    for (std::uint16_t v : {0x0000, 0x0001}) {
        startWith(rig, {{0x4000, v}});
        EXPECT_EQ(rig->text(IDC_TV_MODE), "NTSC") << v;
    }
}

TEST(ReadBack, OverlaysOffGreysTheBoxesAndSkipsTheirRegisters) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0x4F02, 0x0000}});
    const auto trace = rig->takeTrace();
    EXPECT_EQ(countLines(trace, "W 70 03 4f 08"), 0);
    EXPECT_EQ(countLines(trace, "W 70 03 4f 0e"), 0);
    EXPECT_EQ(rig->checked(IDC_OVERLAY_ENABLE), 0);
    for (int id : {IDC_OVERLAY1, IDC_OVERLAY2, IDC_OVERLAY3, IDC_OVERLAY4})
        EXPECT_FALSE(rig->enabled(id)) << id;
}

TEST(ReadBack, OverlayTwoIsControl1028) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0x4F08, 0x0000}, {0x4F0A, 0x8000}, {0x4F0C, 0x0000}});
    EXPECT_EQ(rig->checked(1028), 1);
    EXPECT_EQ(rig->checked(1029), 0);
    EXPECT_EQ(rig->checked(1030), 0);
}

TEST(ReadBack, ManualExposureGreysTheAexPairAutomaticTheShutterPair) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0xA804, 0x0000}});
    EXPECT_EQ(rig->checked(IDC_MANUAL_EXPOSURE), 1);
    EXPECT_FALSE(rig->enabled(IDC_AEX_BAR));
    EXPECT_FALSE(rig->enabled(IDC_AEX_EDIT));
    EXPECT_TRUE(rig->enabled(IDC_SHUTTER_BAR));

    startWith(rig, {{0xA804, 0x0001}});
    EXPECT_EQ(rig->checked(IDC_MANUAL_EXPOSURE), 0);
    EXPECT_FALSE(rig->enabled(IDC_SHUTTER_BAR));
    EXPECT_FALSE(rig->enabled(IDC_SHUTTER_EDIT));
    EXPECT_TRUE(rig->enabled(IDC_AEX_EDIT));
}

TEST(ReadBack, ConnectAfterAModeChangeLeavesTheActivePairUsable) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0xA804, 0x0000}});
    rig->camera.state().registers[0xA804] = 0x000F;
    rig->dlg->click(IDC_CONNECT);
    EXPECT_TRUE(rig->enabled(IDC_AEX_BAR));
    EXPECT_TRUE(rig->enabled(IDC_AEX_EDIT));
    EXPECT_FALSE(rig->enabled(IDC_SHUTTER_EDIT));
}

TEST(ReadBack, ShutterAboveTheLimitShowsTheLimitWithTheSliderFromTheValueRead) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0x3012, 0x0241}});
    EXPECT_EQ(rig->text(IDC_SHUTTER_EDIT), "240");
    EXPECT_EQ(rig->dlg->m_shutter, 576);
    EXPECT_EQ(rig->sliderPos(IDC_SHUTTER_BAR), 192);
}

TEST(ReadBack, AexAboveAByteShowsAsReadWhileTheMemberIsLimited) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {{0xA812, 0x01A0}});
    EXPECT_EQ(rig->text(IDC_AEX_EDIT), "1a0");
    EXPECT_EQ(rig->dlg->m_aexRef, 255);
    EXPECT_EQ(rig->sliderPos(IDC_AEX_BAR), 0xA0);
}

TEST(ReadBack, WhiteBalanceIsAutomaticOnlyFor00ff) {
    std::unique_ptr<PanelRig> rig;
    startWith(rig, {});
    EXPECT_EQ(rig->checked(IDC_AWB), 1);
    EXPECT_FALSE(rig->enabled(IDC_PUSH2WHITE));
    EXPECT_FALSE(rig->enabled(IDC_WB_MODE));
    for (std::uint16_t v : {0x01FF, 0x0000}) {
        startWith(rig, {{0xAC04, v}});
        EXPECT_EQ(rig->text(IDC_WB_MODE), "P2W = set") << v;
        EXPECT_EQ(rig->checked(IDC_AWB), 0);
        EXPECT_TRUE(rig->enabled(IDC_PUSH2WHITE));
    }
}

TEST(ReadBack, TrimNotActiveGreysTheGroupAndSkipsTheBlock) {
    sim::SimState s = chosenCamera();
    s.eeprom[A2][0] = 0xFF;
    PanelRig rig(s);
    rig.dlg->m_trimBlock.fill(0x5A);
    rig.start();
    const auto trace = rig.takeTrace();
    EXPECT_EQ(trace[trace.size() - 3], "W 70 01 a3 00");
    EXPECT_EQ(rig.text(IDC_TRIM_X), "not active");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "not active");
    for (int id : {IDC_TRIM_X, IDC_TRIM_Y, IDC_TRIM_GROUP, IDC_TRIM_LEFT, IDC_TRIM_RIGHT,
                   IDC_TRIM_UP, IDC_TRIM_DOWN, IDC_TRIM_STORE})
        EXPECT_FALSE(rig.enabled(id)) << id;
    EXPECT_EQ(rig.dlg->m_trimBlock[0], 0x5A);
}

TEST(ReadBack, TrimOffsetsAreShownInWordsAtTheirEnds) {
    sim::SimState s = chosenCamera();
    s.eeprom[A2][0] = 0x00;
    s.eeprom[A2][1] = 0x2E;
    PanelRig rig(s);
    rig.start();
    EXPECT_EQ(rig.text(IDC_TRIM_X), "Max Right");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "Max up");

    rig.camera.state().eeprom[A2][0] = 0x1F;
    rig.camera.state().eeprom[A2][1] = 0x30;
    rig.dlg->click(IDC_CONNECT);
    EXPECT_EQ(rig.text(IDC_TRIM_X), "1e");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "Max up");
    EXPECT_EQ(rig.dlg->m_trimY, 46);
}

TEST(ReadBack, TrimBlockComesFromTheRightBanks) {
    sim::SimState s = chosenCamera();
    s.eeprom[A2][0xFF] = 0x11;
    s.eeprom[A4][0x00] = 0x22;
    s.eeprom[A4][0xFF] = 0x33;
    s.eeprom[A6][0x00] = 0x44;
    s.eeprom[A6][0x43] = 0x55;
    s.eeprom[A6][0x44] = 0x66;
    PanelRig rig(s);
    rig.start();
    const auto& block = rig.dlg->m_trimBlock;
    EXPECT_EQ(block[0], 0x10);
    EXPECT_EQ(block[255], 0x11);
    EXPECT_EQ(block[256], 0x22);
    EXPECT_EQ(block[511], 0x33);
    EXPECT_EQ(block[512], 0x44);
    EXPECT_EQ(block[579], 0x55);
}

// --- A camera that stops answering part-way ------------------------------------------------

// Transactions of the chosen camera's read-back, counted from 1: the search takes 1 and 2,
// then every read is a header and a data phase.
constexpr std::uint32_t kProjectionData = 4;
constexpr std::uint32_t kSecondOverlayHeader = 11;
constexpr std::uint32_t kShutterData = 22;
constexpr std::uint32_t kTrimMarkerData = 28;
constexpr std::uint32_t kTrimYHeader = 29;
constexpr std::uint32_t kBlockByte300Data = 32 + 2 * 300;

TEST(ReadBack, TheFirstFailedTransferEndsTheReadBackAsIfNoCameraWasFound) {
    for (std::uint32_t failing : {kProjectionData, kSecondOverlayHeader, kShutterData,
                                  kTrimMarkerData, kTrimYHeader, kBlockByte300Data}) {
        sim::SimState s = chosenCamera();
        s.registers[0xA804] = 0x0000;  // manual exposure: a failed read would tick it
        s.faults.push_back({failing, std::nullopt, kStatusNack});
        PanelRig rig(s);
        rig.start();

        const auto trace = rig.takeTrace();
        ASSERT_GE(trace.size(), 2u);
        EXPECT_EQ(trace.back(), "B not a correct acknowledge recieved") << failing;
        EXPECT_NE(trace[trace.size() - 2].find(" !5"), std::string::npos) << failing;
        EXPECT_EQ(rig.camera.transactions(), failing);
        EXPECT_EQ(rig.host.boxes().size(), 1u) << failing;
        EXPECT_EQ(rig.dlg->m_camAddr, 255) << failing;
        EXPECT_EQ(rig.text(IDC_ADDRESS), "ff") << failing;
        EXPECT_FALSE(rig.dlg->m_trimRead) << failing;
        EXPECT_EQ(rig.dlg->m_trimBlock, (std::array<std::uint8_t, kTrimBlockSize>{})) << failing;
        if (failing <= kShutterData) {
            EXPECT_EQ(rig.checked(IDC_MANUAL_EXPOSURE), 0) << failing;
        }
        if (failing == kProjectionData) {
            EXPECT_EQ(rig.checked(IDC_MIRROR), 0);
        }
    }
}

TEST(ReadBack, TheProjectionShadowStartsFromTheMirrorAndFlipRead) {
    std::unique_ptr<PanelRig> rig;
    for (auto [projection, shadow] : {std::pair{0x0000u, 0x0u}, std::pair{0x0001u, 0x2u},
                                      std::pair{0x0102u, 0x4u}, std::pair{0x0003u, 0x6u}}) {
        startWith(rig, {{0x301C, static_cast<std::uint16_t>(projection)}});
        EXPECT_EQ(rig->dlg->m_projBits, shadow) << projection;
    }
}

}  // namespace
}  // namespace vorlix::test
