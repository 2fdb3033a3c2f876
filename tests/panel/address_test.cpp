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

TEST(AddressEdit, AFailedSetKeepsTheAddressAndSaysItWasNotStored) {
    PanelRig rig;
    rig.start();
    rig.camera.state().present = false;
    rig.dlg->paste(IDC_ADDRESS, "72");
    rig.takeTrace();
    rig.dlg->click(IDC_SET_ADDRESS);
    // The header failed: no data phase, no re-power request.
    EXPECT_EQ(rig.takeTrace(),
              (std::vector<std::string>{
                  "W 70 00 a6 50 !15", "B error: device not present",
                  "B The new address was not stored; the camera still answers at 70."}));
    EXPECT_EQ(rig.dlg->m_camAddr, 0x70);
}

TEST(AddressSearch, ACameraPastTheSensorIsFoundAndTheSensorNeverProbed) {
    for (std::uint8_t at : {std::uint8_t{0xBC}, std::uint8_t{0xF8}}) {
        PanelRig rig(cameraAt(at));
        rig.start();
        const auto trace = rig.takeTrace();
        EXPECT_EQ(countLines(trace, "W ba "), 0) << +at;
        EXPECT_EQ(rig.dlg->m_camAddr, at);
        EXPECT_TRUE(rig.host.boxes().empty()) << rig.host.boxes().front();
        EXPECT_EQ(rig.dlg->m_trimBlock[579], rig.camera.eeprom(0xA6, 0x43)) << +at;
    }
}

TEST(AddressEdit, SetRefusesAddressesTheSearchCouldNeverFindAgain) {
    for (const char* typed : {"ba", "bb", "fa", "fb", "fc", "fd", "fe"}) {
        PanelRig rig;
        rig.start();
        rig.dlg->paste(IDC_ADDRESS, typed);
        rig.takeTrace();
        rig.dlg->click(IDC_SET_ADDRESS);
        const auto trace = rig.takeTrace();
        ASSERT_EQ(trace.size(), 1u) << typed;
        EXPECT_EQ(trace[0], std::string("B Address ") + typed +
                                " cannot be used: ba and bb belong to the image sensor and fa to "
                                "fe are never searched. Nothing was written.");
        EXPECT_EQ(rig.dlg->m_camAddr, 0x70) << typed;
        EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), 0xFF) << typed;
    }
}

TEST(AddressEdit, SetRefusesATextThatNamesNoAddressAndWritesNothing) {
    for (const char* typed : {"", "zz", "1ff", "-1", " 7", "7 ", "+7", "0x", "7g"}) {
        PanelRig rig;
        rig.start();
        rig.dlg->paste(IDC_ADDRESS, typed);
        rig.takeTrace();
        rig.dlg->click(IDC_SET_ADDRESS);
        EXPECT_EQ(rig.takeTrace(),
                  (std::vector<std::string>{std::string("B Address \"") + typed +
                                            "\" cannot be used: give the new address as one or "
                                            "two hex digits (00 to ff). Nothing was written."}))
            << typed;
        EXPECT_EQ(rig.dlg->m_camAddr, 0x70) << typed;
        EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), 0xFF) << typed;
    }
    // One or two digits in either case, with or without 0x, are an address.
    for (const char* typed : {"7", "0A", "0x7e"}) {
        PanelRig rig;
        rig.start();
        rig.dlg->paste(IDC_ADDRESS, typed);
        rig.dlg->click(IDC_SET_ADDRESS);
        EXPECT_EQ(rig.host.boxes().back(), "You MUST re-power camera now") << typed;
    }
}

TEST(AddressEdit, AfterAStoredAddressAFailureNamesWhereTheCameraAnswersUntilItsPowerUp) {
    PanelRig rig;
    rig.start();
    rig.dlg->paste(IDC_ADDRESS, "0");
    rig.dlg->click(IDC_SET_ADDRESS);
    ASSERT_EQ(rig.dlg->m_camAddr, 0x00);
    rig.takeTrace();
    // Not re-powered: the camera still answers at 70, and the next Set goes to 00.
    rig.dlg->paste(IDC_ADDRESS, "72");
    rig.dlg->click(IDC_SET_ADDRESS);
    EXPECT_EQ(rig.takeTrace(),
              (std::vector<std::string>{
                  "W 00 00 a6 50 !15", "B error: device not present",
                  "B The new address was not stored; the camera still answers at 70."}));
    // Once re-powered and found, the camera answers where it was found.
    rig.camera.repower();
    rig.dlg->click(IDC_SEARCH_ADDRESS);
    ASSERT_EQ(rig.dlg->m_camAddr, 0x00);
    rig.camera.state().present = false;
    rig.dlg->click(IDC_SET_ADDRESS);
    EXPECT_EQ(rig.host.boxes().back(),
              "The new address was not stored; the camera still answers at 0.");
}

TEST(AddressEdit, SetStoresTheValueAsTypedAndCommandsUseTheAddressTheCameraTakes) {
    struct Case {
        const char* typed;
        std::uint8_t stored;
        std::int16_t commandsTo;
    };
    for (const Case c : {Case{"73", 0x73, 0x72}, Case{"f9", 0xF9, 0xF8}, Case{"ff", 0xFF, 0x70}}) {
        sim::SimState s = cameraAt(0x42);
        PanelRig rig(s);
        rig.start();
        rig.dlg->paste(IDC_ADDRESS, c.typed);
        rig.dlg->click(IDC_SET_ADDRESS);
        EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), c.stored) << c.typed;
        EXPECT_EQ(rig.dlg->m_camAddr, c.commandsTo) << c.typed;
        EXPECT_EQ(rig.host.boxes().back(), "You MUST re-power camera now");
        rig.camera.repower();
        EXPECT_EQ(rig.camera.address(), c.commandsTo) << c.typed;
    }
}

TEST(AddressEdit, SetAfterTheSearchRewroteTheEditStoresWhatTheEditShows) {
    PanelRig rig(cameraAt(0x42));
    rig.start();
    rig.takeTrace();
    ASSERT_EQ(rig.text(IDC_ADDRESS), "42");
    rig.dlg->click(IDC_SET_ADDRESS);
    EXPECT_EQ(rig.takeTrace(), (std::vector<std::string>{"W 42 00 a6 50", "W 42 42",
                                                         "B You MUST re-power camera now"}));
}

// The edit keeps what was typed, so that Save and Erase EEpr can refuse a text that is no offset
// by name (tests/panel/eeprom_handlers_test.cpp); the member takes the limited value.
TEST(OffsetEdit, KeepsTheTypedTextAndTheMemberTakesItsLimitedValue) {
    PanelRig rig;
    rig.start();
    rig.takeTrace();
    struct Case {
        const char* typed;
        int offset;
    };
    for (const Case& c : {Case{"-1", 255}, Case{"100", 255}, Case{"fe", 254}, Case{"0x1f", 31},
                          Case{"zz", 0}, Case{"", 0}}) {
        rig.dlg->paste(IDC_EEPROM_OFFSET, c.typed);
        EXPECT_EQ(rig.text(IDC_EEPROM_OFFSET), c.typed);
        EXPECT_EQ(rig.dlg->m_eepromOffset, c.offset) << c.typed;
    }
    rig.dlg->paste(IDC_EEPROM_OFFSET, "");
    rig.dlg->type(IDC_EEPROM_OFFSET, "1ff");
    EXPECT_EQ(rig.text(IDC_EEPROM_OFFSET), "1ff");
    EXPECT_EQ(rig.dlg->m_eepromOffset, 255);
    EXPECT_TRUE(rig.takeTrace().empty());
}

}  // namespace
}  // namespace vorlix::test
