// The "White Balance" group: automatic white balance, or push-to-white, where a press of
// "Push2White" holds the current white point and captures the white-balance registers for
// Save, and the next press lets the white balance adapt again.
#include "camera/white_balance.h"

#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

void CVorlixDlg::showWhiteBalanceMode(const char* text) {
    UpdateData(true);
    m_wbModeText = text;
    UpdateData(false);
}

void CVorlixDlg::OnAutoWhiteBalance() {
    m_awbCheck = isChecked(IDC_AWB);
    if (m_awbCheck) {
        I2cLink link(bus());
        camera::letWhiteBalanceAdapt(link, camAddr());
        enableGroup(kPushToWhitePair, false);
        showWhiteBalanceMode("AWB");
    } else {
        // Nothing is sent: the camera goes on adapting until Push2White holds it, and the
        // next press must hold and capture.
        enableGroup(kPushToWhitePair, true);
        m_p2wActive = 0;
        showWhiteBalanceMode("P2W running");
    }
}

void CVorlixDlg::OnPush2White() {
    m_p2wActive = m_p2wActive ? 0 : 1;
    I2cLink link(bus());
    const std::uint8_t a = camAddr();
    if (m_p2wActive) {
        // A failed capture keeps the last good one, since Save would store what it holds.
        const camera::Result<camera::WhiteBalanceRegisters> captured =
            camera::captureWhiteBalance(link, a);
        showWhiteBalanceMode("P2W = set");
        if (!captured) {
            // The next press tries again: it holds and captures anew.
            m_p2wActive = 0;
            showWhiteBalanceMode("P2W failed");
            host().messageBox(captured.words + ". Press Push2White to try again.");
            return;
        }
        m_p2wRegs = captured.value;
        m_p2wCaptured = true;
    } else {
        camera::releaseWhiteBalance(link, a, m_p2wRegs);
        showWhiteBalanceMode("P2W running");
    }
}

}  // namespace vorlix::panel
