#pragma once
// How this program's real pauses sleep: on Windows its high-resolution waitable timer where
// Windows has one, else its ordinary sleep with the system timer at 1 ms (win32/pause_timer.h);
// elsewhere the link layer's own sleeper.
#include <memory>

#include "link/pacer.h"

namespace vorlix::app {

std::unique_ptr<Sleeper> platformSleeper();

}  // namespace vorlix::app
