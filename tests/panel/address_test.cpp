// The I2C address group and the EEPROM address offset edit.
#include <gtest/gtest.h>

#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

sim::SimState cameraAt(std::uint8_t address) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.eeprom[3][0x50] = address;
    return s;
}

TEST(AddressSearch, FindsACameraAtAnotherAddressAndShowsIt) {
    PanelRig rig(cameraAt(0x42));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_SEARCH_ADDRESS);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "W "), 35);
    EXPECT_EQ(trace[trace.size() - 2], "W 42 01 a0 fe");
    EXPECT_EQ(trace.back(), "R 43 1 : ff");
    EXPECT_EQ(rig.dlg->m_camAddr, 0x42);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "42");
}

TEST(AddressSearch, AFailedSearchShowsFa) {
    PanelRig rig;
    rig.start();
    rig.camera.state().present = false;
    rig.dlg->click(IDC_SEARCH_ADDRESS);
    EXPECT_EQ(rig.dlg->m_camAddr, 250);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "fa");
    EXPECT_EQ(rig.host.boxes().back(), "No valid address found, re-power cam and retry.");
}

TEST(AddressEdit, TypedValuesAreLimitedToAByteAndKeptAsTyped) {
    PanelRig rig;
    rig.start();
    rig.takeTrace();
    rig.dlg->paste(IDC_ADDRESS, "");
    rig.dlg->type(IDC_ADDRESS, "1f");
    EXPECT_EQ(rig.dlg->m_newAddr, 0x1F);
    rig.dlg->type(IDC_ADDRESS, "f");
    EXPECT_EQ(rig.dlg->m_newAddr, 0xFF);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "1ff");
    rig.dlg->paste(IDC_ADDRESS, "a5");
    EXPECT_EQ(rig.dlg->m_newAddr, 0xA5);
    rig.dlg->paste(IDC_ADDRESS, "73");
    EXPECT_EQ(rig.dlg->m_newAddr, 0x73);  // odd values are stored as typed
    EXPECT_TRUE(rig.takeTrace().empty());
}

TEST(AddressEdit, SetNewAddressStoresItThroughTheOldAddressAndUsesItAtOnce) {
    PanelRig rig;
    rig.start();
    rig.dlg->paste(IDC_ADDRESS, "72");
    rig.takeTrace();

    rig.dlg->click(IDC_SET_ADDRESS);
    EXPECT_EQ(rig.takeTrace(), (std::vector<std::string>{"W 70 00 a6 50", "W 70 72",
                                                         "B You MUST re-power camera now"}));
    EXPECT_EQ(rig.dlg->m_camAddr, 0x72);
    EXPECT_EQ(rig.text(IDC_ADDRESS), "72");

    // The camera takes the stored address at its next power-up.
    rig.camera.repower();
    EXPECT_EQ(rig.camera.address(), 0x72);
}

TEST(AddressEdit, SetNewAddressWithNoCameraStillTakesTheAddress) {
    PanelRig rig;
    rig.start();
    rig.camera.state().present = false;
    rig.dlg->paste(IDC_ADDRESS, "72");
    rig.takeTrace();
    rig.dlg->click(IDC_SET_ADDRESS);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(trace, (std::vector<std::string>{"W 70 00 a6 50 !15", "B error: device not present",
                                               "W 70 72 !15", "B error: device not present",
                                               "B You MUST re-power camera now"}));
    EXPECT_EQ(rig.dlg->m_camAddr, 0x72);
}

TEST(OffsetEdit, ValuesAboveFeBecomeFf) {
    PanelRig rig;
    rig.start();
    struct Case {
        const char* typed;
        const char* shown;
        int offset;
    };
    for (const Case& c :
         {Case{"-1", "ff", 255}, Case{"100", "ff", 255}, Case{"fff", "ff", 255},
          Case{"fe", "fe", 254}, Case{"0x1f", "1f", 31}, Case{"zz", "0", 0}, Case{"", "0", 0}}) {
        rig.dlg->paste(IDC_EEPROM_OFFSET, c.typed);
        EXPECT_EQ(rig.text(IDC_EEPROM_OFFSET), c.shown) << c.typed;
        EXPECT_EQ(rig.dlg->m_eepromOffset, c.offset) << c.typed;
    }
}

TEST(OffsetEdit, EveryKeystrokeIsAppliedAndTheLimitedTextReplacesIt) {
    PanelRig rig;
    rig.start();
    rig.dlg->type(IDC_EEPROM_OFFSET, "1ff");
    EXPECT_EQ(rig.text(IDC_EEPROM_OFFSET), "ff");
    EXPECT_EQ(rig.dlg->m_eepromOffset, 255);
}

}  // namespace
}  // namespace vorlix::test
