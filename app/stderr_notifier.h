#pragma once
// The link's message boxes, for a command: one line on standard error each, and in the trace
// the same "B" line the window's host writes.
#include <ostream>
#include <string>

#include "link/notifier.h"
#include "link/trace.h"

namespace vorlix::app {

class StderrNotifier : public Notifier {
public:
    StderrNotifier(Trace& trace, std::ostream& err) : trace_(trace), err_(err) {}
    void messageBox(const std::string& text) override;

private:
    Trace& trace_;
    std::ostream& err_;
};

}  // namespace vorlix::app
