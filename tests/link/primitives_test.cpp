// The seven primitives at the adapter boundary, the status texts and the error latch.
#include <gtest/gtest.h>

#include "tests/support/bench.h"

namespace vorlix {
namespace {

using test::RecordingAdapter;
using test::RecordingNotifier;
using Calls = std::vector<std::string>;

struct LinkOnFake {
    RecordingAdapter adapter;
    VirtualPacer pacer;
    RecordingNotifier notifier;
    Bus bus{adapter, pacer, notifier};
    I2cLink link{bus};
};

TEST(Primitives, WritesOpenSelectTransferOnceAndClose) {
    LinkOnFake f;
    f.link.writeByte(0x70, 0x5A);
    f.link.writeSub8Byte(0x70, 0x80, 0x01);
    f.link.writeSub16Byte(0x70, 0x30, 0x12, 0x7F);
    f.link.writeSub16Word(0xBA, 0xC8, 0x92, 0x00, 0x2E);
    EXPECT_EQ(f.adapter.calls, (Calls{
                                   "open 70 20000 1000",
                                   "select #1 70",
                                   "ord7 #1 [5a] 0 1",
                                   "close #1",
                                   "open 70 20000 1000",
                                   "select #2 70",
                                   "ord8 #2 1 0080 [01] 1 0",
                                   "close #2",
                                   "open 70 20000 1000",
                                   "select #3 70",
                                   "ord8 #3 2 3012 [7f] 1 0",
                                   "close #3",
                                   "open ba 20000 1000",
                                   "select #4 ba",
                                   "ord8 #4 2 c892 [00 2e] 2 0",
                                   "close #4",
                               }));
    EXPECT_TRUE(f.notifier.boxes.empty());
}

TEST(Primitives, ReadsNeverSelectAndStartFromZeroedBuffers) {
    LinkOnFake f;
    f.adapter.readBytes = {0x12, 0x34};
    EXPECT_EQ(f.link.readByte(0x71), 0x12);
    EXPECT_EQ(f.link.readWord(0x71), 0x1234);
    EXPECT_EQ(f.link.readSub16Word(0xBB, 0x00, 0x40), 0x1234);
    EXPECT_EQ(f.adapter.calls, (Calls{
                                   "open 71 20000 1000",
                                   "ord10 #1 in=[00] 0 1",
                                   "close #1",
                                   "open 71 20000 1000",
                                   "ord10 #2 in=[00 00] 0 2",
                                   "close #2",
                                   "open bb 20000 1000",
                                   "ord11 #3 2 0040 in=[00 00] 2 0",
                                   "close #3",
                               }));
}

TEST(Primitives, FailedTransferClosesReportsAndReadsReturnZero) {
    LinkOnFake f;
    f.adapter.statuses = {15, 4, 22, 13};
    f.link.writeSub16Byte(0x70, 0x01, 0xA0, 0xFE);
    EXPECT_EQ(f.link.readByte(0x71), 0);
    EXPECT_EQ(f.link.readWord(0x71), 0);
    EXPECT_EQ(f.link.readSub16Word(0xBB, 0x00, 0x40), 0);
    EXPECT_EQ(f.adapter.calls.size(), 4u + 3u + 3u + 3u);
    EXPECT_EQ(f.adapter.calls[3], "close #1");
    EXPECT_EQ(f.notifier.boxes, (Calls{"error: device not present", "TIMEOUT, no response",
                                       "error USB_DEVICE_NOT_FOUND", "USB_READ_ERROR"}));
}

TEST(StatusText, EveryAdapterStatusHasItsTextAsWritten) {
    const std::vector<std::pair<std::uint16_t, std::string>> table = {
        {2, "error ILLEGAL_BIT"},
        {3, "error arbitration problem"},
        {4, "TIMEOUT, no response"},
        {5, "not a correct acknowledge recieved"},
        {6, "error bus is bussy or occupied"},
        {7, "init error"},
        {8, "no correct stop condition"},
        {10, "unknown command"},
        {11, "USB command error"},
        {12, "USB_WRITE_ERROR"},
        {13, "USB_READ_ERROR"},
        {14, "error: USB_I2C_NACK"},
        {15, "error: device not present"},
        {16, "WRONG_OPERATING_SYSTEM"},
        {22, "error USB_DEVICE_NOT_FOUND"},
        {23, "MAX_DEVICES_EXCEEDED"},
        {33, "USB_DATA_OVERFLOW"},
    };
    for (const auto& [status, text] : table) {
        EXPECT_EQ(I2cLink::statusText(status), text) << status;
    }
    for (std::uint16_t status : {1, 9, 17, 18, 21, 24, 32, 34, 0x7FFF, 0x8000, 0xFFFF}) {
        EXPECT_EQ(I2cLink::statusText(status), " error") << status;
    }
}

TEST(StatusText, ReportShowsOneBoxAndSetsTheLatch) {
    LinkOnFake f;
    EXPECT_EQ(f.link.reportStatus(0xFFFF), 1);
    EXPECT_EQ(f.notifier.boxes, Calls{" error"});
    EXPECT_TRUE(f.link.takeError());
}

TEST(ErrorLatch, TellsOnlyTheMostRecentPrimitive) {
    LinkOnFake f;
    EXPECT_FALSE(f.link.takeError());

    f.adapter.statuses = {5};
    f.link.writeByte(0x70, 0x00);
    f.link.readByte(0x71);
    EXPECT_FALSE(f.link.takeError());

    f.adapter.statuses = {5};
    f.link.writeByte(0x70, 0x00);
    EXPECT_TRUE(f.link.takeError());
    EXPECT_FALSE(f.link.takeError());
}

}  // namespace
}  // namespace vorlix
