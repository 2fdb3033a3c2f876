#include "app/platform_sleeper.h"

#ifdef _WIN32
#include "win32/pause_timer.h"
#endif

namespace vorlix::app {

std::unique_ptr<Sleeper> platformSleeper() {
#ifdef _WIN32
    return std::make_unique<TimerSleeper<win32::PauseTimer>>(
        win32::pauseTimerFor(win32::openHighResolutionTimer));
#else
    return systemSleeper();
#endif
}

}  // namespace vorlix::app
