#pragma once
// How often a host repaints while a handler runs. A long operation gives the host a chance to
// paint at every pause (a read-back pauses some 600 times in a second); painting at most once
// a frame keeps the window as live at a fraction of the cost, and between frames the chance
// costs one look at a clock. The host decides what a repaint is; this decides when.
#include <chrono>
#include <optional>

namespace vorlix::frame {

class RepaintThrottle {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kFrame = std::chrono::milliseconds(16);

    // True when nothing was painted yet, or the last repaint ended a frame or more ago.
    bool due(Clock::time_point now = Clock::now()) const {
        return !lastPainted_ || now - *lastPainted_ >= kFrame;
    }
    // A repaint ended now: the next one is due a frame later.
    void painted(Clock::time_point now = Clock::now()) { lastPainted_ = now; }

private:
    std::optional<Clock::time_point> lastPainted_;
};

}  // namespace vorlix::frame
