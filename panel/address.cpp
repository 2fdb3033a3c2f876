// The "I2C Address" group: search the bus for the camera, type and store a new address.
#include "panel/hex_edit.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

namespace {
constexpr std::uint8_t kAddressBank = 0xA6;
constexpr std::uint8_t kAddressOffset = 0x50;
}  // namespace

void CVorlixDlg::OnSearchAddress() {
    I2cLink link(bus());
    m_camAddr = static_cast<std::int16_t>(link.findCamera());
    showCameraAddress();
}

void CVorlixDlg::OnAddressEditChange() {
    // The typed text stays as it is; only the member takes the limited value.
    m_newAddr = static_cast<std::uint16_t>(takeHexEdit(m_addrText, 0xFF, false));
}

void CVorlixDlg::OnSetNewAddress() {
    I2cLink link(bus());
    link.camWrite8(camAddr(), kAddressBank, kAddressOffset, static_cast<std::uint8_t>(m_newAddr));
    // The camera answers at the new address only after a power cycle, but every later command
    // goes there already: the person is told to re-power now.
    m_camAddr = static_cast<std::int16_t>(m_newAddr);
    host().messageBox("You MUST re-power camera now");
}

}  // namespace vorlix::panel
