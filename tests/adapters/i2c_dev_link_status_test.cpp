// What a person is told when a transfer fails on a Linux bus: each kernel error reaches the
// link as its adapter status and the box shows that status's text, for writes and for the
// write-then-read pair alike; the simulated module's own failures arrive the same way.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_rig.h"
#include "link/i2c_link.h"
#include "tests/support/bench.h"

namespace vorlix::test {
namespace {

using Lines = std::vector<std::string>;

// An I2cLink on the i2c-dev backend, the fake kernel and the built-in camera, with the trace.
struct KernelDevices {
    KernelDevices() { kernel.nodes[kBusNode] = {}; }
    sim::SimCamera camera;
    SimBusDevices devices{camera};
    FakeKernel kernel{devices};
    I2cDevAdapter i2cAdapter{kBusNode, kernel, nullptr};
};
struct LinkOnKernel : KernelDevices, TracedBus {
    LinkOnKernel() : TracedBus(i2cAdapter) {}
};

struct Row {
    int err;
    std::uint16_t status;
    const char* text;
    bool moduleAnswer;  // err is what a driver reports when the module answers with status
};

const Row kRows[] = {
    {ETIMEDOUT, 4, "TIMEOUT, no response", true},
    {EREMOTEIO, 5, "not a correct acknowledge recieved", true},
    {EIO, 5, "not a correct acknowledge recieved", false},
    {EPROTO, 5, "not a correct acknowledge recieved", false},
    {ENOMEM, 5, "not a correct acknowledge recieved", false},
    {EBUSY, 6, "error bus is bussy or occupied", true},
    {EAGAIN, 6, "error bus is bussy or occupied", false},
    {EOPNOTSUPP, 10, "unknown command", true},
    {EINVAL, 10, "unknown command", false},
    {ENXIO, 15, "error: device not present", true},
    {ENODEV, 22, "error USB_DEVICE_NOT_FOUND", true},
    {ESHUTDOWN, 22, "error USB_DEVICE_NOT_FOUND", false},
};

// A sensor register write and read on the direct path, each failing with the row's error.
void expectToldAs(const Row& row, LinkOnKernel& bus, const std::function<void()>& failNext) {
    const std::string status = " !" + std::to_string(row.status);
    I2cLink link(bus.bus);

    failNext();
    link.writeSub16Word(kSensorWrite, 0x30, 0x12, 0x01, 0x3B);
    EXPECT_TRUE(link.takeError());
    failNext();
    EXPECT_EQ(link.readSub16Word(kSensorRead, 0x30, 0x12), 0);
    EXPECT_TRUE(link.takeError());

    EXPECT_EQ(bus.lines(), (Lines{"W ba 30 12 01 3b" + status, "B " + std::string(row.text),
                                  "WR bb 30 12 : 00 00" + status, "B " + std::string(row.text)}));
    EXPECT_EQ(bus.notifier.boxes, (Lines{row.text, row.text}));
    EXPECT_EQ(bus.camera.reg(0x3012), 0x0120);  // the built-in shutter, untouched
    EXPECT_TRUE(bus.kernel.openFds().empty());
}

TEST(I2cDevLinkStatus, EveryKernelErrorIsToldWithItsStatusText) {
    for (const Row& row : kRows) {
        SCOPED_TRACE("errno " + std::to_string(row.err));
        LinkOnKernel bus;
        expectToldAs(row, bus, [&] { bus.kernel.failNextTransfer = row.err; });
    }
}

TEST(I2cDevLinkStatus, TheModulesOwnFailuresArriveAsTheSameStatuses) {
    for (const Row& row : kRows) {
        if (!row.moduleAnswer) continue;
        SCOPED_TRACE("status " + std::to_string(row.status));
        LinkOnKernel bus;
        expectToldAs(row, bus, [&] {
            bus.camera.state().faults = {{bus.camera.transactions() + 1, std::nullopt, row.status}};
        });
    }
}

}  // namespace
}  // namespace vorlix::test
