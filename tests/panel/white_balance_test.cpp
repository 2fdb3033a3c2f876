// The "White Balance" group: automatic white balance and push-to-white with its capture.
#include <gtest/gtest.h>

#include "camera/camera_map.h"
#include "camera_with.h"
#include "io/hex.h"
#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

const Lines kHold = {"W 70 02 ac 04", "W 70 00 00"};
const Lines kAdapt = {"W 70 02 ac 04", "W 70 00 ff"};

// A camera held in push-to-white whose white-balance registers hold recognisable values
// (0xAC04, the mode register, reads back as the hold value the press writes).
sim::SimState heldCamera() {
    sim::SimState s = cameraWith({});
    for (std::uint16_t reg = 0xAC00; reg <= 0xAC4E; reg += 2)
        s.registers[reg] = static_cast<std::uint16_t>(0x5A00 | (reg & 0xFF));
    s.registers[0xAC04] = 0x0000;
    return s;
}

std::uint16_t heldValue(std::uint16_t reg) {
    return reg == 0xAC04 ? 0x0000 : static_cast<std::uint16_t>(0x5A00 | (reg & 0xFF));
}

// The capture as a person reads it in the trace: 5 ms to settle, then for every register
// of the walk a 1 ms pause and its read.
Lines holdAndCapture() {
    Lines lines = kHold;
    lines.push_back("P 5");
    for (std::uint16_t reg : kWhiteBalanceWalk) {
        const std::uint16_t v = heldValue(reg);
        lines.push_back("P 1");
        lines.push_back("W 70 03 ac " + io::hexByte(reg & 0xFF));
        lines.push_back("P 2");
        lines.push_back("R 71 2 : " + io::hexByte(v >> 8) + " " + io::hexByte(v & 0xFF));
    }
    return lines;
}

TEST(WhiteBalance, TickingAutomaticWritesOnceAndGreysPushToWhiteUntickingSendsNothing) {
    PanelRig rig(heldCamera());
    rig.start();
    ASSERT_EQ(rig.checked(IDC_AWB), 0);
    ASSERT_EQ(rig.text(IDC_WB_MODE), "P2W = set");
    rig.takeTrace();

    rig.dlg->click(IDC_AWB);
    EXPECT_EQ(rig.takeTrace(), kAdapt);
    EXPECT_EQ(rig.dlg->m_awbCheck, 1);
    EXPECT_FALSE(rig.enabled(IDC_PUSH2WHITE));
    EXPECT_FALSE(rig.enabled(IDC_WB_MODE));
    EXPECT_EQ(rig.text(IDC_WB_MODE), "AWB");

    rig.dlg->click(IDC_AWB);
    EXPECT_TRUE(rig.takeTrace().empty());
    EXPECT_EQ(rig.dlg->m_awbCheck, 0);
    EXPECT_TRUE(rig.enabled(IDC_PUSH2WHITE));
    EXPECT_TRUE(rig.enabled(IDC_WB_MODE));
    EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W running");
    EXPECT_EQ(rig.dlg->m_p2wActive, 0);
    EXPECT_EQ(rig.camera.reg(0xAC04), 0x00FF);
}

TEST(WhiteBalance, PushToWhiteHoldsAndCapturesThenReleasesKeepingTheCapture) {
    PanelRig rig(heldCamera());
    rig.start();
    rig.takeTrace();

    // The first press after start-up holds and captures.
    rig.dlg->click(IDC_PUSH2WHITE);
    EXPECT_EQ(rig.takeTrace(), holdAndCapture());
    EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W = set");
    EXPECT_EQ(rig.dlg->m_p2wActive, 1);
    for (std::size_t i = 0; i < kWhiteBalanceWalk.size(); ++i)
        EXPECT_EQ(rig.dlg->m_p2wRegs[i], heldValue(kWhiteBalanceWalk[i])) << i;

    rig.dlg->click(IDC_PUSH2WHITE);
    EXPECT_EQ(rig.takeTrace(), kAdapt);
    EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W running");
    EXPECT_EQ(rig.dlg->m_p2wActive, 0);
    EXPECT_EQ(rig.dlg->m_p2wRegs[0], 0x00FF);
    for (std::size_t i = 1; i < kWhiteBalanceWalk.size(); ++i)
        EXPECT_EQ(rig.dlg->m_p2wRegs[i], heldValue(kWhiteBalanceWalk[i])) << i;
    EXPECT_EQ(rig.camera.reg(0xAC04), 0x00FF);

    // And the next press holds and captures anew.
    rig.dlg->click(IDC_PUSH2WHITE);
    EXPECT_EQ(rig.takeTrace(), holdAndCapture());
    EXPECT_EQ(rig.dlg->m_p2wRegs[0], heldValue(0xAC00));
}

TEST(WhiteBalance, UntickingAutomaticWhileHeldMakesTheNextPressCaptureAgain) {
    PanelRig rig(heldCamera());
    rig.start();
    rig.dlg->click(IDC_PUSH2WHITE);
    ASSERT_EQ(rig.dlg->m_p2wActive, 1);

    rig.dlg->click(IDC_AWB);
    rig.dlg->click(IDC_AWB);
    EXPECT_EQ(rig.dlg->m_p2wActive, 0);
    rig.takeTrace();

    rig.dlg->click(IDC_PUSH2WHITE);
    EXPECT_EQ(rig.takeTrace(), holdAndCapture());
    EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W = set");
}

constexpr char kCaptureFailed[] =
    "The white balance capture failed and nothing of it was kept. Press Push2White to try again.";

TEST(WhiteBalance, ACaptureStopsAtTheFirstFailedTransferAndDoesNotCount) {
    struct Case {
        const char* what;
        std::uint32_t failingTransaction;  // counted from the press, from 1
        int readsSent;
    };
    // The hold write's header; the data phase of the 6th read (transactions 2, then two per read).
    for (const Case c : {Case{"hold", 1, 0}, Case{"sixth read", 2 + 2 * 6, 6}}) {
        PanelRig rig(heldCamera());
        rig.start();
        rig.dlg->m_p2wRegs.fill(0x1111);
        rig.camera.state().faults.push_back(
            {rig.camera.transactions() + c.failingTransaction, std::nullopt, kStatusNack});
        rig.takeTrace();

        rig.dlg->click(IDC_PUSH2WHITE);
        const auto trace = rig.takeTrace();
        EXPECT_EQ(countLines(trace, "W 70 03 ac "), c.readsSent) << c.what;
        EXPECT_EQ(countLines(trace, "B "), 2) << c.what;
        EXPECT_EQ(trace.back(), std::string("B ") + kCaptureFailed) << c.what;
        EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W failed") << c.what;
        EXPECT_EQ(rig.dlg->m_p2wRegs[5], 0x1111) << c.what;  // nothing of it was kept
        EXPECT_FALSE(rig.dlg->m_p2wCaptured) << c.what;

        // The next press holds and captures again.
        rig.dlg->click(IDC_PUSH2WHITE);
        EXPECT_EQ(rig.takeTrace(), holdAndCapture()) << c.what;
        EXPECT_EQ(rig.text(IDC_WB_MODE), "P2W = set");
        EXPECT_TRUE(rig.dlg->m_p2wCaptured);
    }
}

}  // namespace
}  // namespace vorlix::test
