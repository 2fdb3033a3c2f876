#include "frame/dialog_model.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "frame/controls.h"
#include "test_dialog.h"

namespace vorlix::frame::testing {
namespace {

TEST(DialogModel, HoldsStateOnlyForControlsWithAnId) {
    DialogModel model(testTemplate());
    EXPECT_TRUE(model.has(1003));
    EXPECT_TRUE(model.has(1076));  // a group box with an id
    EXPECT_FALSE(model.has(kNoId));
    EXPECT_EQ(model.control(1040).caption, "idle");
    EXPECT_THROW(model.text(4711), std::out_of_range);
}

TEST(DialogModel, FreshControlsShowThePlatformDefaults) {
    DialogModel model(testTemplate());
    EXPECT_EQ(model.text(1003), "");
    EXPECT_EQ(model.text(1040), "idle");  // a static's text is its caption
    EXPECT_EQ(model.check(1000), 0);
    EXPECT_TRUE(model.isEnabled(1000));

    const ScrollInfo& sb = model.scrollInfo(1050);
    EXPECT_EQ(sb.min, 0);
    EXPECT_EQ(sb.max, 0);
    EXPECT_EQ(sb.page, 0u);
    EXPECT_EQ(sb.pos, 0);

    const ProgressInfo& pb = model.progress(1066);
    EXPECT_EQ(pb.min, 0);
    EXPECT_EQ(pb.max, 100);
    EXPECT_EQ(pb.pos, 0);
    EXPECT_EQ(pb.step, 10);
}

TEST(DialogModel, ScrollPositionsAreKeptWithinTheRange) {
    DialogModel model(testTemplate());
    model.setScrollInfo(1050, ScrollInfo{0, 0, 0, 5, 5});  // a fresh bar has no room at all
    EXPECT_EQ(model.scrollInfo(1050).pos, 0);

    model.setScrollInfo(1050, ScrollInfo{10, 20, 0, 25, 3});
    EXPECT_EQ(model.scrollInfo(1050).pos, 20);
    EXPECT_EQ(model.scrollInfo(1050).trackPos, 10);

    // With a page the thumb stops where the last page starts.
    model.setScrollInfo(1050, ScrollInfo{0, 99, 10, 95, 99});
    EXPECT_EQ(model.scrollInfo(1050).pos, 90);
    EXPECT_EQ(model.scrollInfo(1050).trackPos, 90);
    EXPECT_EQ(model.scrollInfo(1050).page, 10u);
}

TEST(DialogModel, ScrollBarWrapperKeepsTrackPositionWithThePosition) {
    DialogModel model(testTemplate());
    CScrollBar bar;
    bar.attach(model, 1050);
    bar.SetScrollRange(0, 255);
    bar.SetScrollPos(300);
    EXPECT_EQ(bar.GetScrollPos(), 255);
    EXPECT_EQ(model.scrollInfo(1050).trackPos, 255);

    ScrollInfo info;
    bar.GetScrollInfo(info);
    info.pos = 0xa5;
    info.trackPos = 3;  // the platform ignores a track position that the program hands in
    bar.SetScrollInfo(info);
    EXPECT_EQ(model.scrollInfo(1050).pos, 0xa5);
    EXPECT_EQ(model.scrollInfo(1050).trackPos, 0xa5);

    bar.SetScrollRange(0, 7);
    EXPECT_EQ(bar.GetScrollPos(), 7);
}

TEST(DialogModel, ProgressStepStartsOverPastTheMaximum) {
    DialogModel model(testTemplate());
    CProgressCtrl bar;
    bar.attach(model, 1066);

    bar.SetPos(90);
    bar.StepIt();
    EXPECT_EQ(model.progress(1066).pos, 100);  // reaching the maximum is no wrap
    bar.StepIt();
    EXPECT_EQ(model.progress(1066).pos, 10);

    bar.SetRange(1, 242);
    bar.SetStep(1);
    bar.SetPos(0);  // below the range: kept as set, the next step lands on the minimum
    EXPECT_EQ(model.progress(1066).pos, 0);
    bar.StepIt();
    EXPECT_EQ(model.progress(1066).pos, 1);
    bar.SetPos(242);
    bar.StepIt();
    EXPECT_EQ(model.progress(1066).pos, 2);

    model.setProgressRange(1066, 5, 5);  // an empty range cannot wrap: it stays at the minimum
    bar.SetPos(5);
    bar.StepIt();
    EXPECT_EQ(model.progress(1066).pos, 5);
}

TEST(DialogModel, ObserverHearsEveryChangeWithTheControlId) {
    DialogModel model(testTemplate());
    std::vector<int> seen;
    model.setObserver([&](int id) { seen.push_back(id); });
    model.setText(1003, "1");
    model.setCheck(1000, 1);
    model.enable(1005, false);
    model.setScrollInfo(1050, ScrollInfo{});
    model.progressStepIt(1066);
    model.checkRadio(1020, 1022, 1021);
    EXPECT_EQ(seen, (std::vector<int>{1003, 1000, 1005, 1050, 1066, 1020, 1021, 1022}));
}

}  // namespace
}  // namespace vorlix::frame::testing
