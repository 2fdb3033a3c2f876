// The bus log's ring as a window shows it: the newest lines, the failures among them, the
// notice of what was dropped, and a clear that starts afresh.
#include "frame/bus_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlix::frame {
namespace {

std::vector<std::string> shown(const BusLog& log, bool failuresOnly) {
    const BusLogRows rows(log, failuresOnly);
    std::vector<std::string> out;
    for (std::size_t r = 0; r < rows.count(); ++r) {
        const char* mark = rows.mark(r) == BusLogRows::Mark::Failed   ? "red "
                           : rows.mark(r) == BusLogRows::Mark::Notice ? "grey "
                                                                      : "";
        out.push_back(mark + rows.text(r));
    }
    return out;
}

TEST(BusLog, KeepsTheNewestLinesAndTheFailuresAmongThemAcrossTheWrap) {
    BusLog log(3);
    log.append("W 70 00 !5", true);
    log.append("P 2", false);
    EXPECT_EQ(shown(log, false), (std::vector<std::string>{"red W 70 00 !5", "P 2"}));

    log.append("R 71 2 : 00 00 !15", true);
    log.append("P 3", false);  // the first failure leaves the ring
    log.append("P 4", false);
    EXPECT_EQ(shown(log, false),
              (std::vector<std::string>{"grey \u2026 2 older lines dropped",
                                        "red R 71 2 : 00 00 !15", "P 3", "P 4"}));
    EXPECT_EQ(shown(log, true), (std::vector<std::string>{"grey \u2026 2 older lines dropped",
                                                          "red R 71 2 : 00 00 !15"}));
    EXPECT_EQ(BusLogRows(log, true).saved(), "R 71 2 : 00 00 !15\n");
    EXPECT_EQ(BusLogRows(log, false).saved(), "R 71 2 : 00 00 !15\nP 3\nP 4\n");

    log.append("P 5", false);  // and the second
    EXPECT_TRUE(shown(log, true) == std::vector<std::string>{"grey \u2026 3 older lines dropped"});
}

// With readings on, each line that has one shows it beside it, in one column; the rows kept
// across the wrap keep their own; saving writes the trace as it is.
TEST(BusLog, ShowsEachLinesReadingBesideItOnlyWhenAskedAndNeverSavesIt) {
    BusLog log(2);
    log.append("W 70 03 30 1c", false);
    log.append("R 71 2 : 01 03", false, "sensor 301c = 0103");
    log.append("W 70 00 !5", true, "eeprom a6:50 <- ? (failed, status 5)");
    const BusLogRows rows(log, false, true);
    EXPECT_EQ(rows.text(1), "R 71 2 : 01 03              sensor 301c = 0103");
    EXPECT_EQ(rows.text(2), "W 70 00 !5                  eeprom a6:50 <- ? (failed, status 5)");
    EXPECT_EQ(BusLogRows(log, true, true).text(1), rows.text(2));
    EXPECT_EQ(BusLogRows(log, false).text(1), "R 71 2 : 01 03");
    EXPECT_EQ(rows.saved(), "R 71 2 : 01 03\nW 70 00 !5\n");
    EXPECT_EQ(withReading("W 70 03 0a 11 18 1f 26 2d 34 3b", "x"),
              "W 70 03 0a 11 18 1f 26 2d 34 3b  x");
}

TEST(BusLog, ClearForgetsTheLinesAndTheDroppedOnesAndTellsTheView) {
    BusLog log(2);
    int changes = 0;
    log.setOnChange([&changes] { ++changes; });
    for (const char* line : {"P 1", "P 2", "P 3"}) log.append(line, false);
    log.clear();
    EXPECT_TRUE(shown(log, false).empty());
    log.append("W 70 01 !5", true);
    log.append("P 4", false);
    log.append("P 5", false);
    EXPECT_EQ(shown(log, false),
              (std::vector<std::string>{"grey \u2026 1 older line dropped", "P 4", "P 5"}));
    EXPECT_EQ(changes, 7);
}

TEST(BusLog, OpensBesideTheDialogWithinTheScreen) {
    struct Case {
        int dialogLeft, dialogRight, width;
        Span want;
    };
    // A dialog of 400 pixels on a screen of 1280, the log 480 wide at most, 320 at least.
    for (const Case& c : {
             Case{0, 400, 480, {408, 480}},     // room on the right
             Case{800, 1200, 480, {312, 480}},  // room on the left only
             Case{440, 840, 480, {848, 432}},   // neither: the wider side's room
             Case{300, 1000, 480, {800, 480}},  // less than 320 on both: over the dialog's edge
         }) {
        const Span got = placeBeside(c.dialogLeft, c.dialogRight, c.width, 0, 1280, 320);
        EXPECT_EQ(got.x, c.want.x) << c.dialogLeft;
        EXPECT_EQ(got.width, c.want.width) << c.dialogLeft;
    }
}

}  // namespace
}  // namespace vorlix::frame
