// The "Image trim" group: step the picture by two units and apply it at once by uploading
// the offsets and the trim block straight into the sensor (slave 0xBA/0xBB, not the camera
// address); "STORE" keeps the offsets in the camera's EEPROM for its next power-up.
#include <algorithm>

#include "panel/table_row.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

using TrimBlock = std::array<std::uint8_t, kTrimBlockSize>;

constexpr std::int16_t kTrimStep = 2;

// A command that is still busy after this many reads stops the upload.
constexpr int kBusyReads = 16;
constexpr std::uint8_t kCommandHi = 0x83;
constexpr std::uint8_t kLoadParameters = 0x04;
constexpr std::uint8_t kApplyParameters = 0x05;

// The window words of block offsets 2..17, in the order the sensor takes them.
constexpr std::uint16_t kWindowRegisters[] = {0xC822, 0xC826, 0xC824, 0xC828,
                                              0xC82E, 0xC830, 0xC82A, 0xC82C};
constexpr std::size_t kWindowWordsAt = 2;

// The sensor parameters: block offsets 32..579 in chunks of up to eight words, each chunk
// into the parameter registers 0xFC00.. followed by one load command.
constexpr std::size_t kParametersAt = 32;
constexpr std::size_t kChunkBytes = 16;
constexpr std::uint16_t kParameterRegister = 0xFC00;

std::uint8_t hiByte(std::uint16_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t loByte(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

void writeSensor(I2cLink& link, std::uint16_t reg, std::uint8_t hi, std::uint8_t lo) {
    link.writeSub16Word(kSensorWrite, hiByte(reg), loByte(reg), hi, lo);
}

// Issues one host command and waits, without pauses, until its busy bit clears; false when
// it is still busy after kBusyReads reads.
bool sensorCommand(I2cLink& link, std::uint8_t hi, std::uint8_t lo) {
    writeSensor(link, kRegHostCommand, hi, lo);
    for (int i = 0; i < kBusyReads; ++i) {
        const std::uint16_t state =
            link.readSub16Word(kSensorRead, hiByte(kRegHostCommand), loByte(kRegHostCommand));
        if ((state & kHostCommandBusy) == 0) return true;
    }
    return false;
}

// Every transfer goes on after a failure (its box has been shown), so an absent sensor
// gives one box per transfer and the upload still ends. A sensor that stays busy stops the
// upload there: the next chunk would overwrite parameters it has not taken yet. False then.
bool uploadTrim(I2cLink& link, std::int16_t x, std::int16_t y, const TrimBlock& block) {
    writeSensor(link, 0xC892, 0x00, static_cast<std::uint8_t>(x));
    writeSensor(link, 0xC894, 0x00, static_cast<std::uint8_t>(y));
    writeSensor(link, 0x098E, 0x48, 0x24);
    for (std::size_t i = 0; i < std::size(kWindowRegisters); ++i) {
        const std::size_t at = kWindowWordsAt + 2 * i;
        writeSensor(link, kWindowRegisters[i], block[at], block[at + 1]);
    }
    // The last chunk holds only two words; a zero word closes it, and nothing past the end
    // of the block is ever sent.
    for (std::size_t k = kParametersAt; k < block.size(); k += kChunkBytes) {
        const std::size_t bytes = std::min(kChunkBytes, block.size() - k);
        std::uint16_t reg = kParameterRegister;
        for (std::size_t j = 0; j < bytes; j += 2, reg += 2)
            writeSensor(link, reg, block[k + j], block[k + j + 1]);
        if (bytes < kChunkBytes) writeSensor(link, reg, 0x00, 0x00);
        if (!sensorCommand(link, kCommandHi, kLoadParameters)) return false;
    }
    return sensorCommand(link, kCommandHi, kApplyParameters);
}

constexpr char kTrimNotReadText[] =
    "The trim data was not read from the camera: press Connect first. Nothing was sent.";

// An offset is even: bit 0 and the high byte are dropped.
std::int16_t even(std::int16_t offset) {
    return static_cast<std::int16_t>(offset & 0x00FE);
}

struct TrimStep {
    int button;
    std::int16_t CVorlixDlg::*offset;
    int direction;  // +1 towards 46, -1 towards 0
    std::int16_t limit;
};

// "left" and "up" raise their offset, "right" and "down" lower it.
constexpr TrimStep kTrimSteps[] = {
    {IDC_TRIM_LEFT, &CVorlixDlg::m_trimX, +1, kTrimMax},
    {IDC_TRIM_RIGHT, &CVorlixDlg::m_trimX, -1, 0},
    {IDC_TRIM_UP, &CVorlixDlg::m_trimY, +1, kTrimMax},
    {IDC_TRIM_DOWN, &CVorlixDlg::m_trimY, -1, 0},
};

}  // namespace

void CVorlixDlg::OnTrimStep(int button) {
    if (!m_trimRead) {
        host().messageBox(kTrimNotReadText);
        return;
    }
    const TrimStep& step = rowOf(kTrimSteps, button, &TrimStep::button);
    std::int16_t& offset = this->*step.offset;
    offset = even(offset);
    // At the limit, or beyond it: nothing is sent and nothing is shown.
    if (step.direction > 0 ? offset >= step.limit : offset <= step.limit) return;

    // The buttons stay greyed for the whole upload, also while a failing transfer's box is open.
    setTrimButtonsEnabled(false);
    const std::int16_t before = offset;
    offset = static_cast<std::int16_t>(
        std::clamp<int>(offset + step.direction * kTrimStep, 0, kTrimMax));
    I2cLink link(bus());
    if (uploadTrim(link, m_trimX, m_trimY, m_trimBlock)) {
        showTrimText();
    } else {
        // The step is not shown as done: offset and text stay as they were.
        offset = before;
        host().messageBox(
            "The sensor stayed busy after a command: the trim upload was stopped, the rest of "
            "it was not sent, and the offset was not changed.");
    }
    setTrimButtonsEnabled(true);
}

// The offsets go into the EEPROM only when they and the block were read from this camera:
// start values would overwrite its calibration or its "not active" marker.
void CVorlixDlg::OnTrimStore() {
    if (!m_trimRead) {
        host().messageBox(kTrimNotReadText);
        return;
    }
    m_trimX = even(m_trimX);
    m_trimY = even(m_trimY);
    I2cLink link(bus());
    link.camWrite8(camAddr(), kTrimBank, kTrimXOffset, static_cast<std::uint8_t>(m_trimX));
    link.camWrite8(camAddr(), kTrimBank, kTrimYOffset, static_cast<std::uint8_t>(m_trimY));
}

}  // namespace vorlix::panel
