#include "app/vorlix_app.h"

namespace vorlix::app {

bool CVorlixApp::InitInstance() {
    panel::CVorlixDlg dlg(host_, adapter_, pacer_);
    m_pMainWnd = &dlg;
    if (writeGuard_) dlg.setEepromWriteGuard(writeGuard_);
    if (cameraAddress_) dlg.setCameraAddress(*cameraAddress_);
    dlg.DoModal();  // OK, Cancel and the close box all end the program alike
    if (onDialogEnd_) onDialogEnd_(dlg);
    m_pMainWnd = nullptr;
    return false;
}

}  // namespace vorlix::app
