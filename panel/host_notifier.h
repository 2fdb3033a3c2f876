#pragma once
// The link's boxes shown by the host: the dialog's own link, and any other link that runs
// while the dialog is up (the backup before its first EEPROM write).
#include <string>

#include "frame/host.h"
#include "link/notifier.h"

namespace vorlix::panel {

class HostNotifier : public Notifier {
public:
    explicit HostNotifier(frame::Host& host) : host_(host) {}
    void messageBox(const std::string& text) override { host_.messageBox(text); }

private:
    frame::Host& host_;
};

}  // namespace vorlix::panel
