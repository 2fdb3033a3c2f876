#include "app/stderr_notifier.h"

#include "io/printable.h"

namespace vorlix::app {

void StderrNotifier::messageBox(const std::string& text) {
    trace_.line("B " + text);
    err_ << "vorlix: " << io::printable(text) << std::endl;
}

}  // namespace vorlix::app
