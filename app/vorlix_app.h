#pragma once
// CVorlixApp: the application object. Its InitInstance builds the main dialog, runs it
// modally on the chosen host and adapter, and returns false: the program ends when the
// dialog closes, however it was closed.
#include <cstdint>
#include <functional>
#include <optional>

#include "frame/host.h"
#include "link/adapter.h"
#include "link/pacer.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::app {

class CVorlixApp {
public:
    CVorlixApp(frame::Host& host, Adapter& adapter, Pacer& pacer)
        : host_(host), adapter_(adapter), pacer_(pacer) {}

    // Called with the dialog after it ended and before it is destroyed (the state dump).
    void setOnDialogEnd(std::function<void(const panel::CVorlixDlg&)> f) {
        onDialogEnd_ = std::move(f);
    }

    // Guards the dialog's EEPROM writes (none by default).
    void setEepromWriteGuard(panel::EepromWriteGuard guard) { writeGuard_ = std::move(guard); }
    // The camera's address, for the dialog's read-back instead of the search (--address).
    void setCameraAddress(std::uint8_t address) { cameraAddress_ = address; }

    bool InitInstance();

    panel::CVorlixDlg* m_pMainWnd = nullptr;

private:
    frame::Host& host_;
    Adapter& adapter_;
    Pacer& pacer_;
    std::function<void(const panel::CVorlixDlg&)> onDialogEnd_;
    panel::EepromWriteGuard writeGuard_;
    std::optional<std::uint8_t> cameraAddress_;
};

}  // namespace vorlix::app
