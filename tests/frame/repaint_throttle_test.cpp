// A host's repaints during a long operation: the first at once, then at most one a frame.
#include "frame/repaint_throttle.h"

#include <gtest/gtest.h>

namespace vorlix::frame {
namespace {

using std::chrono::milliseconds;

TEST(RepaintThrottle, PaintsAtOnceThenAtMostOnceAFrameCountedFromTheLastRepaint) {
    RepaintThrottle repaints;
    const RepaintThrottle::Clock::time_point start{};
    EXPECT_TRUE(repaints.due(start));
    repaints.painted(start + milliseconds(3));  // a repaint that took 3 ms
    EXPECT_FALSE(repaints.due(start + milliseconds(18)));
    EXPECT_TRUE(repaints.due(start + milliseconds(19)));
    repaints.painted(start + milliseconds(40));  // a repaint the host made for a box
    EXPECT_FALSE(repaints.due(start + milliseconds(55)));
    EXPECT_TRUE(repaints.due(start + milliseconds(56)));
}

}  // namespace
}  // namespace vorlix::frame
