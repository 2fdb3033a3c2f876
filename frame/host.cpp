#include "frame/host.h"

#include <string>

#include "frame/dialog.h"

namespace vorlix::frame {

void Host::messageBox(const std::string& text) {
    event("B " + text);
    showMessageBox(text);
}

void Host::openBusLog() {
    event(kBusLogOpenedLine);
    showBusLog();
}

int Host::runModal(CDialog& dialog) {
    // Only dialogs run from inside another one (the About box) are reported: the outermost
    // dialog is the whole run.
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } depth(depth_);
    const bool nested = depth_ > 1;
    const int result = doModal(dialog, nested);
    if (nested) event("D " + std::to_string(dialog.dialogTemplate().id));
    return result;
}

}  // namespace vorlix::frame
