// The "Image trim" group: step the picture by two units and apply it at once by uploading
// the offsets and the trim block into the sensor; "STORE" keeps the offsets in the camera's
// EEPROM for its next power-up.
#include "camera/trim.h"

#include "panel/borrowed_bar.h"
#include "panel/table_row.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {

constexpr char kTrimNotReadText[] =
    "The trim data was not read from the camera: press Connect first. Nothing was sent.";

struct TrimButton {
    int button;
    std::int16_t CVorlixDlg::*offset;
    int direction;  // +1 towards 46, -1 towards 0
};

// "left" and "up" raise their offset, "right" and "down" lower it.
constexpr TrimButton kTrimButtons[] = {
    {IDC_TRIM_LEFT, &CVorlixDlg::m_trimX, +1},
    {IDC_TRIM_RIGHT, &CVorlixDlg::m_trimX, -1},
    {IDC_TRIM_UP, &CVorlixDlg::m_trimY, +1},
    {IDC_TRIM_DOWN, &CVorlixDlg::m_trimY, -1},
};

}  // namespace

void CVorlixDlg::OnTrimStep(int button) {
    if (!m_trimRead) {
        host().messageBox(kTrimNotReadText);
        return;
    }
    const TrimButton& pressed = rowOf(kTrimButtons, button, &TrimButton::button);
    std::int16_t& offset = this->*pressed.offset;
    const std::optional<std::int16_t> next = camera::trimStep(offset, pressed.direction);
    offset = camera::evenTrim(offset);
    if (!next) return;

    frame::CWaitCursor wait(host());
    // The buttons stay greyed for the whole upload, also while a failing transfer's box is open.
    setTrimButtonsEnabled(false);
    const std::int16_t before = offset;
    offset = *next;
    I2cLink link(bus());
    BorrowedBar bar(m_progress, model(), camera::kTrimUploadChunks);
    if (const camera::Result<> upload =
            camera::uploadTrim(link, m_trimX, m_trimY, m_trimBlock,
                               [&bar](std::size_t chunks) { bar.show(chunks); })) {
        showTrimText();
    } else {
        // The step is not shown as done: offset and text stay as they were.
        offset = before;
        host().messageBox(upload.words + ".");
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
    m_trimX = camera::evenTrim(m_trimX);
    m_trimY = camera::evenTrim(m_trimY);
    // A failed write has told its own box; a refused backup says why nothing was written. The
    // notice line says what went into the EEPROM.
    I2cLink link(bus());
    const camera::Result<> store =
        camera::storeTrim(link, camAddr(), m_trimX, m_trimY, writeGate(link));
    if (store.done()) tellOutcome(store.words);
    if (store.outcome == camera::Outcome::NoBackup) host().messageBox(store.words);
}

}  // namespace vorlix::panel
