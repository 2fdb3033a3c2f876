// The "I2C Address" group: search the bus for the camera, type and store a new address.
#include <cstdio>

#include "panel/hex_edit.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

void CVorlixDlg::OnSearchAddress() {
    I2cLink link(bus());
    m_camAddr = static_cast<std::int16_t>(link.findCamera());
    showCameraAddress();
}

void CVorlixDlg::OnAddressEditChange() {
    // The typed text stays as it is; only the member takes the limited value.
    m_newAddr = static_cast<std::uint16_t>(takeHexEdit(m_addrText, 0xFF, false));
}

// The address goes into the camera's EEPROM as typed (an odd value too; the camera ignores
// bit 0). An address the search could never find again is refused before anything is sent,
// and a failed write leaves every command at the address the camera still answers at.
void CVorlixDlg::OnSetNewAddress() {
    const auto stored = static_cast<std::uint8_t>(m_newAddr);
    char text[120];
    if (!findableAfterPowerUp(stored)) {
        std::snprintf(text, sizeof text,
                      "Address %x cannot be used: ba and bb belong to the image sensor and fa to "
                      "fe are never searched. Nothing was written.",
                      static_cast<unsigned>(stored));
        host().messageBox(text);
        return;
    }
    I2cLink link(bus());
    link.stopAtFirstFailure();
    link.camWrite8(camAddr(), kAddressBank, kAddressOffset, stored);
    if (link.failed()) {
        std::snprintf(text, sizeof text,
                      "The new address was not stored; the camera still answers at %x.",
                      static_cast<unsigned>(camAddr()));
        host().messageBox(text);
        return;
    }
    // The camera answers at the new address only after a power cycle, but every later command
    // goes there already: the person is told to re-power now. ff means "none stored", after
    // which the camera answers at the default address.
    m_camAddr = addressAfterPowerUp(stored);
    host().messageBox("You MUST re-power camera now");
}

}  // namespace vorlix::panel
