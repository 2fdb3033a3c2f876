// The "Direct I2C Communication" group: targets, the four hex edits, SEND, Addr+ and Addr-.
#include <gtest/gtest.h>

#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

const char* const kIncomplete = "Not all required data is filled in";

PanelRig& started(PanelRig& rig) {
    rig.start();
    rig.takeTrace();
    return rig;
}

// "Read" ticked and the register address typed: what a person does to walk registers.
void readFrom(PanelRig& rig, const std::string& hi, const std::string& lo) {
    if (!rig.checked(IDC_READ)) rig.dlg->click(IDC_READ);
    rig.dlg->paste(IDC_REG_HI, hi);
    rig.dlg->paste(IDC_REG_LO, lo);
    rig.takeTrace();
}

TEST(DirectSend, ASensorWriteNeedsAllFourEditsFilled) {
    PanelRig rig;
    started(rig);

    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), Lines{std::string("B ") + kIncomplete});

    rig.dlg->type(IDC_REG_HI, "30");
    rig.dlg->type(IDC_REG_LO, "12");
    rig.dlg->type(IDC_DATA_LO, "3b");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), Lines{std::string("B ") + kIncomplete});
    EXPECT_EQ(rig.dlg->m_fieldsSet, 0x07);

    rig.dlg->type(IDC_DATA_HI, "1");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 01 3b"}));
    EXPECT_EQ(rig.camera.reg(0x3012), 0x013B);
    EXPECT_EQ(rig.host.boxes().size(), 2u);

    // Once filled, the mask never empties again: a later write needs no more typing.
    rig.dlg->paste(IDC_DATA_LO, "3c");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 02 30 12", "W 70 01 3c"}));
}

TEST(DirectSend, AnEepromWriteNeedsItsOffsetAndDataLowFilledAndNothingElse) {
    PanelRig rig;
    started(rig);

    // Fields never set would write their start values: A2:00, the stored trim offset.
    rig.dlg->click(IDC_TARGET_EEPROM1);
    rig.dlg->click(IDC_SEND);
    rig.dlg->type(IDC_REG_LO, "10");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(),
              (Lines{std::string("B ") + kIncomplete, std::string("B ") + kIncomplete}));

    rig.dlg->click(IDC_TARGET_EEPROM2);
    rig.dlg->type(IDC_DATA_LO, "5a");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 00 a4 10", "W 70 5a"}));
    EXPECT_EQ(rig.camera.eeprom(0xA4, 0x10), 0x5A);
    EXPECT_EQ(rig.dlg->m_target, 0xA4);
    EXPECT_EQ(rig.host.boxes().size(), 2u);
}

TEST(DirectSend, EveryEepromRadioAddressesItsOwnBank) {
    PanelRig rig;
    started(rig);
    rig.dlg->paste(IDC_REG_LO, "20");
    rig.dlg->paste(IDC_DATA_LO, "c3");
    struct Case {
        int radio;
        std::uint8_t bank;
        const char* header;
    };
    for (const Case c : {Case{IDC_TARGET_EEPROM0, 0xA0, "W 70 00 a0 20"},
                         Case{IDC_TARGET_EEPROM1, 0xA2, "W 70 00 a2 20"},
                         Case{IDC_TARGET_EEPROM2, 0xA4, "W 70 00 a4 20"},
                         Case{IDC_TARGET_EEPROM3, 0xA6, "W 70 00 a6 20"}}) {
        rig.dlg->click(c.radio);
        EXPECT_TRUE(rig.takeTrace().empty());  // choosing a target sends nothing
        rig.dlg->click(IDC_SEND);
        EXPECT_EQ(rig.takeTrace(), (Lines{c.header, "W 70 c3"}));
        EXPECT_EQ(rig.camera.eeprom(c.bank, 0x20), 0xC3);
    }
}

TEST(DirectSend, AStoredAddressTheSearchCouldNeverFindIsRefusedAsSetRefusesIt) {
    PanelRig rig;
    started(rig);
    rig.dlg->click(IDC_TARGET_EEPROM3);
    rig.dlg->paste(IDC_REG_LO, "50");
    for (const char* value : {"ba", "bb", "fa", "fe"}) {
        rig.dlg->paste(IDC_DATA_LO, value);
        rig.dlg->click(IDC_SEND);
        EXPECT_EQ(rig.takeTrace(),
                  (Lines{std::string("B Address ") + value +
                         " cannot be used: ba and bb belong to the image sensor and fa to fe are "
                         "never searched. Nothing was written."}));
    }
    EXPECT_EQ(rig.camera.eeprom(0xA6, 0x50), 0xFF);
    // Any other byte there, or those bytes elsewhere, go out as asked.
    for (const auto& [offset, value] : {std::pair{"50", "ff"}, {"50", "72"}, {"51", "ba"}}) {
        rig.dlg->paste(IDC_REG_LO, offset);
        rig.dlg->paste(IDC_DATA_LO, value);
        rig.dlg->click(IDC_SEND);
        EXPECT_EQ(rig.takeTrace(), (Lines{std::string("W 70 00 a6 ") + offset,
                                          std::string("W 70 ") + value}));
    }
}

TEST(DirectSend, AnEepromReadShowsTheByteInTheDataLowEditOnly) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.eeprom[2][0x10] = 0x9D;
    PanelRig rig(std::move(s));
    started(rig);
    rig.dlg->type(IDC_DATA_HI, "77");

    rig.dlg->click(IDC_TARGET_EEPROM2);
    rig.dlg->click(IDC_READ);
    EXPECT_EQ(rig.dlg->m_target, 0xA5);
    rig.dlg->type(IDC_REG_LO, "10");
    rig.takeTrace();

    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 01 a5 10", "P 2", "R 71 1 : 9d"}));
    EXPECT_EQ(rig.text(IDC_DATA_LO), "9d");
    EXPECT_EQ(rig.dlg->m_dataLo, 0x9D);
    EXPECT_EQ(rig.text(IDC_DATA_HI), "77");
    EXPECT_EQ(rig.dlg->m_dataHi, 0x77);
    EXPECT_EQ(rig.dlg->m_fieldsSet, 0x09);
}

TEST(DirectSend, ASensorReadShowsBothBytesAndLeavesTheMaskAlone) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.registers[0x0A0B] = 0x1234;
    PanelRig rig(std::move(s));
    started(rig);
    readFrom(rig, "a", "b");

    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 03 0a 0b", "P 2", "R 71 2 : 12 34"}));
    EXPECT_EQ(rig.text(IDC_DATA_HI), "12");
    EXPECT_EQ(rig.text(IDC_DATA_LO), "34");
    EXPECT_EQ(rig.dlg->m_dataHi, 0x12);
    EXPECT_EQ(rig.dlg->m_dataLo, 0x34);
    EXPECT_EQ(rig.dlg->m_fieldsSet, 0x03);
}

TEST(DirectTarget, TheReadBoxSetsTheReadFormInEitherOrder) {
    PanelRig rig;
    started(rig);
    EXPECT_EQ(rig.dlg->m_target, 0xBA);

    rig.dlg->click(IDC_READ);
    EXPECT_EQ(rig.dlg->m_target, 0xBB);
    rig.dlg->click(IDC_TARGET_EEPROM3);
    EXPECT_EQ(rig.dlg->m_target, 0xA7);
    rig.dlg->click(IDC_READ);
    EXPECT_EQ(rig.dlg->m_target, 0xA6);
    EXPECT_EQ(rig.dlg->m_readCheck, 0);
    rig.dlg->click(IDC_TARGET_EEPROM0);
    EXPECT_EQ(rig.dlg->m_target, 0xA0);
    rig.dlg->click(IDC_READ);
    EXPECT_EQ(rig.dlg->m_target, 0xA1);
    EXPECT_EQ(rig.dlg->m_readCheck, 1);
    EXPECT_TRUE(rig.takeTrace().empty());
}

TEST(DirectTarget, EepromTargetsGreyTheHighByteEditsAndKeepTheirValues) {
    PanelRig rig;
    started(rig);
    rig.dlg->type(IDC_REG_HI, "12");
    rig.dlg->type(IDC_DATA_HI, "34");
    EXPECT_TRUE(rig.enabled(IDC_REG_HI));
    EXPECT_TRUE(rig.enabled(IDC_DATA_HI));

    rig.dlg->click(IDC_TARGET_EEPROM1);
    EXPECT_FALSE(rig.enabled(IDC_REG_HI));
    EXPECT_FALSE(rig.enabled(IDC_DATA_HI));
    EXPECT_TRUE(rig.enabled(IDC_REG_LO));
    EXPECT_TRUE(rig.enabled(IDC_DATA_LO));
    EXPECT_EQ(rig.dlg->m_sensorTarget, 0);

    rig.dlg->click(IDC_TARGET_SENSOR);
    EXPECT_TRUE(rig.enabled(IDC_REG_HI));
    EXPECT_TRUE(rig.enabled(IDC_DATA_HI));
    EXPECT_EQ(rig.dlg->m_sensorTarget, 1);
    EXPECT_EQ(rig.dlg->m_target, 0xBA);
    EXPECT_EQ(rig.text(IDC_REG_HI), "12");
    EXPECT_EQ(rig.text(IDC_DATA_HI), "34");
    EXPECT_EQ(rig.dlg->m_regHi, 0x12);
    EXPECT_EQ(rig.dlg->m_dataHi, 0x34);
    EXPECT_TRUE(rig.takeTrace().empty());
}

TEST(DirectTarget, ReadEnablesTheAddressStepsAndConnectGreysThemAgain) {
    PanelRig rig;
    started(rig);
    EXPECT_FALSE(rig.enabled(IDC_ADDR_PLUS));  // the read-back greyed them
    EXPECT_FALSE(rig.enabled(IDC_ADDR_MINUS));

    rig.dlg->click(IDC_READ);
    EXPECT_TRUE(rig.enabled(IDC_ADDR_PLUS));
    EXPECT_TRUE(rig.enabled(IDC_ADDR_MINUS));
    rig.dlg->click(IDC_READ);
    EXPECT_FALSE(rig.enabled(IDC_ADDR_PLUS));
    EXPECT_FALSE(rig.enabled(IDC_ADDR_MINUS));

    rig.dlg->click(IDC_READ);
    rig.dlg->click(IDC_CONNECT);
    EXPECT_EQ(rig.checked(IDC_READ), 1);
    EXPECT_FALSE(rig.enabled(IDC_ADDR_PLUS));
    EXPECT_FALSE(rig.enabled(IDC_ADDR_MINUS));
    rig.takeTrace();
    rig.dlg->click(IDC_ADDR_PLUS);  // lost on a greyed button
    EXPECT_TRUE(rig.takeTrace().empty());
}

TEST(DirectEdits, EveryKeystrokeIsTakenAtOnceAndLimitedToAByte) {
    struct Field {
        int edit;
        std::uint16_t CVorlixDlg::*value;
        std::uint16_t bit;
    };
    for (const Field f : {Field{IDC_REG_HI, &CVorlixDlg::m_regHi, 0x02},
                          Field{IDC_REG_LO, &CVorlixDlg::m_regLo, 0x01},
                          Field{IDC_DATA_HI, &CVorlixDlg::m_dataHi, 0x08},
                          Field{IDC_DATA_LO, &CVorlixDlg::m_dataLo, 0x04}}) {
        PanelRig rig;
        started(rig);
        CVorlixDlg& dlg = *rig.dlg;

        dlg.type(f.edit, "1");
        EXPECT_EQ(dlg.*f.value, 0x01) << f.edit;
        EXPECT_EQ(dlg.m_fieldsSet, f.bit) << f.edit;
        dlg.type(f.edit, "f");
        EXPECT_EQ(dlg.*f.value, 0x1F) << f.edit;
        EXPECT_EQ(rig.text(f.edit), "1f");
        dlg.type(f.edit, "f");
        EXPECT_EQ(dlg.*f.value, 0xFF) << f.edit;
        EXPECT_EQ(rig.text(f.edit), "ff") << f.edit;

        struct Paste {
            const char* text;
            const char* shown;
            std::uint16_t value;
        };
        for (const Paste p :
             {Paste{"-1", "ff", 0xFF}, Paste{"xyz", "0", 0}, Paste{"", "0", 0},
              Paste{"0x1F", "1f", 0x1F}, Paste{"007", "7", 7}, Paste{"1ff", "ff", 0xFF},
              Paste{" 2a", "2a", 0x2A}, Paste{"ffffffffff", "ff", 0xFF}}) {
            dlg.paste(f.edit, p.text);
            EXPECT_EQ(rig.text(f.edit), p.shown) << f.edit << " " << p.text;
            EXPECT_EQ(dlg.*f.value, p.value) << f.edit << " " << p.text;
        }
        EXPECT_EQ(dlg.m_fieldsSet, f.bit) << f.edit;
        EXPECT_TRUE(rig.takeTrace().empty());
    }
}

TEST(DirectAddressStep, AddrPlusAndMinusCarryIntoTheHighByteAndReadAgain) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.registers[0x1300] = 0xABCD;
    s.registers[0x12FF] = 0x0042;
    PanelRig rig(std::move(s));
    started(rig);
    readFrom(rig, "12", "ff");

    rig.dlg->click(IDC_ADDR_PLUS);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 03 13 00", "P 2", "R 71 2 : ab cd"}));
    EXPECT_EQ(rig.text(IDC_REG_HI), "13");
    EXPECT_EQ(rig.text(IDC_REG_LO), "0");
    EXPECT_EQ(rig.text(IDC_DATA_HI), "ab");
    EXPECT_EQ(rig.text(IDC_DATA_LO), "cd");

    rig.dlg->click(IDC_ADDR_MINUS);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 03 12 ff", "P 2", "R 71 2 : 00 42"}));
    EXPECT_EQ(rig.text(IDC_REG_HI), "12");
    EXPECT_EQ(rig.text(IDC_REG_LO), "ff");
    EXPECT_EQ(rig.text(IDC_DATA_HI), "0");
    EXPECT_EQ(rig.text(IDC_DATA_LO), "42");
    EXPECT_EQ(rig.dlg->m_fieldsSet, 0x03);
}

TEST(DirectAddressStep, TheRegisterAddressWrapsWithinSixteenBits) {
    PanelRig rig;
    started(rig);
    readFrom(rig, "ff", "ff");

    rig.dlg->click(IDC_ADDR_PLUS);
    auto trace = rig.takeTrace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace[0], "W 70 03 00 00");
    EXPECT_EQ(rig.dlg->m_regHi, 0);
    EXPECT_EQ(rig.dlg->m_regLo, 0);
    EXPECT_EQ(rig.text(IDC_REG_HI), "0");
    EXPECT_EQ(rig.text(IDC_REG_LO), "0");

    rig.dlg->click(IDC_ADDR_MINUS);
    trace = rig.takeTrace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace[0], "W 70 03 ff ff");
    EXPECT_EQ(rig.dlg->m_regHi, 0xFF);
    EXPECT_EQ(rig.dlg->m_regLo, 0xFF);
    EXPECT_EQ(rig.text(IDC_REG_HI), "ff");
    EXPECT_EQ(rig.text(IDC_REG_LO), "ff");
}

TEST(DirectAddressStep, AnEepromOffsetWrapsWithinItsBank) {
    sim::SimState s = sim::SimState::builtInDefault();
    s.eeprom[3][0x00] = 0x5E;
    s.eeprom[3][0xFF] = 0xE5;
    PanelRig rig(std::move(s));
    started(rig);
    readFrom(rig, "3", "ff");
    rig.dlg->click(IDC_TARGET_EEPROM3);
    rig.takeTrace();

    rig.dlg->click(IDC_ADDR_PLUS);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 01 a7 00", "P 2", "R 71 1 : 5e"}));
    EXPECT_EQ(rig.text(IDC_DATA_LO), "5e");
    EXPECT_EQ(rig.text(IDC_REG_HI), "4");  // the carry still reaches the greyed high byte

    rig.dlg->click(IDC_ADDR_MINUS);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 01 a7 ff", "P 2", "R 71 1 : e5"}));
    EXPECT_EQ(rig.text(IDC_DATA_LO), "e5");
    EXPECT_EQ(rig.text(IDC_REG_HI), "3");
}

TEST(DirectSend, AnAbsentCameraGivesABoxPerFailedCommandAndSendGoesOn) {
    PanelRig rig;
    started(rig);
    readFrom(rig, "30", "12");
    rig.camera.state().present = false;

    rig.dlg->click(IDC_SEND);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(trace, (Lines{"W 70 03 30 12 !15", "B error: device not present"}));
    EXPECT_EQ(rig.text(IDC_DATA_HI), "0");
    EXPECT_EQ(rig.text(IDC_DATA_LO), "0");

    rig.dlg->click(IDC_ADDR_PLUS);
    EXPECT_EQ(countLines(rig.takeTrace(), "B error: device not present"), 1);
    EXPECT_EQ(rig.text(IDC_REG_LO), "13");

    rig.dlg->click(IDC_READ);
    rig.dlg->click(IDC_TARGET_EEPROM0);
    rig.dlg->paste(IDC_DATA_LO, "0");
    rig.dlg->click(IDC_SEND);
    EXPECT_EQ(rig.takeTrace(), (Lines{"W 70 00 a0 13 !15", "B error: device not present"}));
}

}  // namespace
}  // namespace vorlix::test
