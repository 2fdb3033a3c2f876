// The "Direct I2C Communication" group: read or write one sensor register or one EEPROM byte
// by hand. Every access is one camera command to the camera address.
#include "camera/direct_access.h"

#include "io/hex.h"
#include "panel/table_row.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

using io::formatHex;

namespace {

struct Target {
    int radio;
    std::uint8_t writeForm;  // the read form has bit 0 set
    bool sensor;
};

// Only the EEPROM forms travel on the bus; the sensor's keep m_target defined.
constexpr Target kTargets[] = {
    {IDC_TARGET_SENSOR, kSensorWrite, true},       {IDC_TARGET_EEPROM0, bankWriteForm(0), false},
    {IDC_TARGET_EEPROM1, bankWriteForm(1), false}, {IDC_TARGET_EEPROM2, bankWriteForm(2), false},
    {IDC_TARGET_EEPROM3, bankWriteForm(3), false},
};

struct HexField {
    int edit;
    std::string CVorlixDlg::*text;
    std::uint16_t CVorlixDlg::*value;
    std::uint16_t bit;  // in m_fieldsSet
};

constexpr HexField kHexFields[] = {
    {IDC_REG_HI, &CVorlixDlg::m_regHiText, &CVorlixDlg::m_regHi, 0x02},
    {IDC_REG_LO, &CVorlixDlg::m_regLoText, &CVorlixDlg::m_regLo, 0x01},
    {IDC_DATA_HI, &CVorlixDlg::m_dataHiText, &CVorlixDlg::m_dataHi, 0x08},
    {IDC_DATA_LO, &CVorlixDlg::m_dataLoText, &CVorlixDlg::m_dataLo, 0x04},
};

constexpr std::uint16_t kAllFields = 0x0F;
// An EEPROM write takes the offset (register low) and the data low byte only.
constexpr std::uint16_t kEepromWriteFields = 0x01 | 0x04;
constexpr std::uint16_t kReadBit = 0x01;

// What SEND does: 4 for a read, plus 1 for an EEPROM target.
enum Selector { kSensorWriteCmd = 0, kEepromWriteCmd = 1, kSensorReadCmd = 4, kEepromReadCmd = 5 };

std::uint8_t byteOf(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

void CVorlixDlg::OnTargetSelected(int radio) {
    const Target& target = rowOf(kTargets, radio, &Target::radio);
    m_readCheck = isChecked(IDC_READ);
    m_target = static_cast<std::uint16_t>(target.writeForm | (m_readCheck ? kReadBit : 0));
    setHighByteEditsEnabled(target.sensor);
    m_sensorTarget = target.sensor ? 1 : 0;
}

void CVorlixDlg::OnReadToggled() {
    m_readCheck = isChecked(IDC_READ);
    if (m_readCheck)
        m_target |= kReadBit;
    else
        m_target &= 0x00FE;
    enableGroup(kAddressStepPair, m_readCheck != 0);
}

void CVorlixDlg::OnDirectEditChange(int edit) {
    const HexField& field = rowOf(kHexFields, edit, &HexField::edit);
    const auto value = static_cast<std::uint16_t>(takeHexEdit(this->*field.text, 0xFF, true));
    m_fieldsSet |= field.bit;
    this->*field.value = value;
}

void CVorlixDlg::OnSend() {
    // The box is asked, not m_readCheck: a check set on the control counts at once.
    const int selector = (isChecked(IDC_READ) ? 4 : 0) + (m_sensorTarget == 0 ? 1 : 0);
    // A write needs every edit it sends to have been filled by the person; reads need none.
    const bool incomplete =
        (selector == kSensorWriteCmd && m_fieldsSet != kAllFields) ||
        (selector == kEepromWriteCmd && (m_fieldsSet & kEepromWriteFields) != kEepromWriteFields);
    if (incomplete) {
        host().messageBox("Not all required data is filled in");
        return;
    }
    I2cLink link(bus());
    const std::uint8_t a = camAddr();
    const auto reg = static_cast<std::uint16_t>(byteOf(m_regHi) << 8 | byteOf(m_regLo));
    switch (selector) {
        case kSensorWriteCmd:
            camera::writeSensorRegister(
                link, a, reg, static_cast<std::uint16_t>(byteOf(m_dataHi) << 8 | byteOf(m_dataLo)));
            break;
        case kEepromWriteCmd: {
            // A failed transfer has told its own box; a refusal says why nothing was written.
            const camera::Result<> written = camera::writeEepromByte(
                link, a, byteOf(m_target), byteOf(m_regLo), byteOf(m_dataLo), writeGate(link));
            if (written.outcome == camera::Outcome::Refused ||
                written.outcome == camera::Outcome::NoBackup)
                host().messageBox(written.words);
            break;
        }
        case kSensorReadCmd: {
            // After a failed read the value the link returned is shown like any other.
            const std::uint16_t value = camera::readSensorRegister(link, a, reg).value;
            showWordResult(static_cast<std::uint16_t>(value >> 8), value & 0xFF);
            break;
        }
        case kEepromReadCmd:
            showByteResult(
                camera::readEepromByte(link, a, byteOf(m_target), byteOf(m_regLo)).value);
            break;
    }
}

// The register address steps as one 16-bit number and wraps at both ends, so the high byte
// never leaves 0..ff; for an EEPROM target the offset wraps within the bank.
void CVorlixDlg::OnAddressStep(int direction) {
    const auto address = static_cast<std::uint16_t>((m_regHi << 8 | m_regLo) + direction);
    m_regHi = static_cast<std::uint16_t>(address >> 8);
    m_regLo = static_cast<std::uint16_t>(address & 0xFF);
    showRegisterAddress();
    OnSend();
}

void CVorlixDlg::showRegisterAddress() {
    UpdateData(true);
    m_regLoText = formatHex(m_regLo);
    UpdateData(false);
    UpdateData(true);
    m_regHiText = formatHex(m_regHi);
    UpdateData(false);
}

void CVorlixDlg::showWordResult(std::uint16_t hi, std::uint16_t lo) {
    UpdateData(true);
    m_dataLoText = formatHex(lo);
    UpdateData(false);
    m_dataLo = lo;
    UpdateData(true);
    m_dataHiText = formatHex(hi);
    UpdateData(false);
    m_dataHi = hi;
}

void CVorlixDlg::showByteResult(std::uint16_t value) {
    UpdateData(true);
    m_dataLoText = formatHex(value);
    UpdateData(false);
    m_dataLo = value;
}

}  // namespace vorlix::panel
