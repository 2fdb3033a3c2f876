#pragma once
// The About box (template 100): no members, an empty data exchange, an empty message map.
#include "frame/dialog.h"
#include "res/resources.h"

namespace vorlix::panel {

class CAboutDlg : public frame::CDialog {
public:
    explicit CAboutDlg(frame::Host& host) : CDialog(res::aboutTemplate(), host) {}
};

}  // namespace vorlix::panel
