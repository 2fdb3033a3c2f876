// The "I2C Address" group: search the bus for the camera, type and store a new address.
#include "camera/address.h"

#include "camera/typed_byte.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::panel {

void CVorlixDlg::OnSearchAddress() {
    // Whatever was stored before, the camera answers where the search finds it; a search the
    // person asked for replaces an address given at start.
    answersUntilRepower_.reset();
    givenAddress_.reset();
    I2cLink link(bus());
    // A search that found none shows its own answer (fa) until a read-back turns it into ff.
    const std::optional<std::uint8_t> found = camera::findCamera(link);
    cameraFound_ = found.has_value();
    m_camAddr = static_cast<std::int16_t>(found.value_or(kNoCameraFound));
    showCameraAddress();
}

void CVorlixDlg::OnAddressEditChange() {
    // The typed text stays as it is; only the member takes the limited value.
    m_newAddr = static_cast<std::uint16_t>(takeHexEdit(m_addrText, 0xFF, false));
}

// The address goes into the camera's EEPROM as the edit shows it, and only when the edit
// shows an address. A failed write leaves every command at the address the camera still
// answers at.
void CVorlixDlg::OnSetNewAddress() {
    const std::string& typed = model().text(IDC_ADDRESS);
    const std::optional<std::uint8_t> address = camera::typedByte(camera::kNewAddressField, typed);
    if (!address) {
        host().messageBox(camera::untypedByteText(camera::kNewAddressField, typed));
        return;
    }
    I2cLink link(bus());
    const camera::Result<std::uint8_t> change =
        camera::changeAddress(link, camAddr(), *address, writeGate(link), answersAt());
    switch (change.outcome) {
        case camera::Outcome::Done:
            // The camera answers at the new address only after a power cycle, but every later
            // command goes there already: the person is told to re-power now.
            answersUntilRepower_ = answersAt();
            m_camAddr = change.value;
            host().messageBox(camera::kRepowerText);
            break;
        case camera::Outcome::Failed:
            host().messageBox(change.words + ".");
            break;
        default:
            host().messageBox(change.words);
            break;
    }
}

}  // namespace vorlix::panel
