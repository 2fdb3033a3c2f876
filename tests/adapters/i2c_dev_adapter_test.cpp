// The i2c-dev backend against a fake kernel: the i2c_msg arrays each adapter call puts on the
// bus, the descriptor's life, the statuses kernel errors become, and the hints a person sees.
#include "adapters/i2c_dev_adapter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fake_kernel.h"

namespace vorlix {
namespace {

using test::FakeKernel;
using test::MemoryDevice;
using Lines = std::vector<std::string>;

const std::string kNode = "/dev/i2c-3";

int countRdwr(const Lines& log) {
    int n = 0;
    for (const auto& line : log) n += line.rfind("rdwr ", 0) == 0;
    return n;
}

// A register file on /dev/i2c-3, by default camera-like: at 0x70 (7-bit 0x38) with a
// two-byte pointer.
struct Bus {
    explicit Bus(std::uint16_t addr7 = 0x38, unsigned pointerBytes = 2)
        : device(addr7, pointerBytes) {
        kernel.nodes[kNode] = {};
    }

    MemoryDevice device;
    FakeKernel kernel{device};
    Lines hints;
    I2cDevAdapter adapter{kNode, kernel,
                          [this](const std::string& line) { hints.push_back(line); }};

    // The transactions as the link runs them: open, select for writes, one transfer, close.
    std::uint16_t writeByte(std::uint8_t slave, std::uint8_t b) {
        const AdapterHandle h = adapter.open(slave, kOpenTimeout, kOpenSpeed);
        adapter.select(h, slave);
        const std::uint16_t status = adapter.write(h, &b, 0, 1);
        adapter.close(h);
        return status;
    }
    std::uint16_t writeSub(std::uint8_t slave, std::uint32_t subLength, std::uint32_t sub,
                           std::vector<std::uint8_t> data) {
        const AdapterHandle h = adapter.open(slave, kOpenTimeout, kOpenSpeed);
        adapter.select(h, slave);
        const std::uint16_t status = adapter.writeSub(h, subLength, sub, data.data(),
                                                      static_cast<std::uint32_t>(data.size()), 0);
        adapter.close(h);
        return status;
    }
    std::uint16_t read(std::uint8_t slave, std::vector<std::uint8_t>& buffer) {
        const AdapterHandle h = adapter.open(slave, kOpenTimeout, kOpenSpeed);
        const std::uint16_t status =
            adapter.read(h, buffer.data(), 0, static_cast<std::uint32_t>(buffer.size()));
        adapter.close(h);
        return status;
    }
    std::uint16_t readSub(std::uint8_t slave, std::uint32_t sub,
                          std::vector<std::uint8_t>& buffer) {
        const AdapterHandle h = adapter.open(slave, kOpenTimeout, kOpenSpeed);
        const std::uint16_t status =
            adapter.readSub(h, 2, sub, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0);
        adapter.close(h);
        return status;
    }
};

TEST(I2cDevMessages, CameraReadCommandIsAHeaderWriteThenAPlainReadEachInItsOwnOpen) {
    Bus bus;
    bus.device.at(0x0331) = 0x01;
    bus.device.at(0x0332) = 0x3b;

    EXPECT_EQ(bus.writeSub(0x70, 2, 0x0330, {0x12}), kStatusOk);
    std::vector<std::uint8_t> value(2);
    EXPECT_EQ(bus.read(0x71, value), kStatusOk);

    EXPECT_EQ(bus.kernel.log,
              (Lines{"open /dev/i2c-3 = 3", "funcs 3", "rdwr 3 W38 03 30 12", "close 3",
                     "open /dev/i2c-3 = 3", "funcs 3", "rdwr 3 R38 2", "close 3"}));
    EXPECT_EQ(value, (std::vector<std::uint8_t>{0x01, 0x3b}));
    EXPECT_TRUE(bus.kernel.openFds().empty());
    EXPECT_TRUE(bus.hints.empty());
}

TEST(I2cDevMessages, WritesAreOneMessageWithTheSubAddressBytesFirst) {
    Bus bus{0x38, 1};
    I2cDevAdapter& adapter = bus.adapter;
    FakeKernel& kernel = bus.kernel;
    const auto run = [&](auto transfer) {
        const AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
        adapter.select(h, 0x70);
        EXPECT_EQ(transfer(h), kStatusOk);
        adapter.close(h);
        return kernel.log.at(kernel.log.size() - 2);
    };
    const std::uint8_t b = 0x72;
    const std::uint8_t pair[2] = {0x80, 0x00};
    std::uint8_t page[15];
    for (std::uint8_t i = 0; i < 15; ++i) page[i] = static_cast<std::uint8_t>(0xf1 + i);

    EXPECT_EQ(run([&](AdapterHandle h) { return adapter.write(h, &b, 0, 1); }), "rdwr 3 W38 72");
    // A one-byte sub-address sends only its low byte.
    EXPECT_EQ(run([&](AdapterHandle h) { return adapter.writeSub(h, 1, 0x1a5, pair, 2, 0); }),
              "rdwr 3 W38 a5 80 00");
    EXPECT_EQ(run([&](AdapterHandle h) { return adapter.writeSub(h, 2, 0x4f08, pair, 2, 0); }),
              "rdwr 3 W38 4f 08 80 00");
    EXPECT_EQ(run([&](AdapterHandle h) { return adapter.writeSub(h, 1, 0x10, page, 15, 0); }),
              "rdwr 3 W38 10 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff");
    EXPECT_EQ(bus.device.at(0x1e), 0xff);
    EXPECT_TRUE(kernel.openFds().empty());
}

TEST(I2cDevMessages, SensorReadIsOneWriteReadPairWithRepeatedStart) {
    Bus bus{0x5d};
    EXPECT_EQ(bus.writeSub(0xba, 2, 0x3012, {0xab, 0xcd}), kStatusOk);
    std::vector<std::uint8_t> value(2);
    EXPECT_EQ(bus.readSub(0xbb, 0x3012, value), kStatusOk);

    EXPECT_EQ(bus.kernel.log,
              (Lines{"open /dev/i2c-3 = 3", "funcs 3", "rdwr 3 W5d 30 12 ab cd", "close 3",
                     "open /dev/i2c-3 = 3", "funcs 3", "rdwr 3 W5d 30 12, R5d 2", "close 3"}));
    EXPECT_EQ(value, (std::vector<std::uint8_t>{0xab, 0xcd}));
}

TEST(I2cDevMessages, EveryEvenAddressOfTheSearchBecomesItsSevenBitForm) {
    Bus bus;
    for (unsigned slave : {0x00u, 0x02u, 0x42u, 0xf8u}) {
        bus.writeSub(static_cast<std::uint8_t>(slave), 2, 0x01a0, {0xfe});
    }
    EXPECT_EQ(bus.kernel.log[2], "rdwr 3 W00 01 a0 fe");
    EXPECT_EQ(bus.kernel.log[6], "rdwr 3 W01 01 a0 fe");
    EXPECT_EQ(bus.kernel.log[10], "rdwr 3 W21 01 a0 fe");
    EXPECT_EQ(bus.kernel.log[14], "rdwr 3 W7c 01 a0 fe");
}

TEST(I2cDevMessages, ASubAddressLengthWithNoFormOnTheBusIsRefusedWithoutTraffic) {
    Bus bus;
    std::vector<std::uint8_t> value(2);
    EXPECT_EQ(bus.writeSub(0x70, 3, 0x010203, {0x00}), kStatusUnknownCommand);
    EXPECT_EQ(bus.writeSub(0x70, 0, 0, {0x00}), kStatusUnknownCommand);
    EXPECT_EQ(bus.kernel.log, (Lines{"open /dev/i2c-3 = 3", "funcs 3", "close 3",
                                     "open /dev/i2c-3 = 3", "funcs 3", "close 3"}));
}

TEST(I2cDevMessages, ATransferAgainstItsAddressesDirectionIsNotPresentWithoutTraffic) {
    Bus bus;
    std::vector<std::uint8_t> value(1);
    // A camera given an odd address: its writes would reach the device at 0x70 as reads.
    EXPECT_EQ(bus.writeSub(0x71, 2, 0x0330, {0x1c}), kStatusNotPresent);
    EXPECT_EQ(bus.writeByte(0x71, 0x00), kStatusNotPresent);
    EXPECT_EQ(bus.read(0x70, value), kStatusNotPresent);
    EXPECT_EQ(countRdwr(bus.kernel.log), 0);
    EXPECT_TRUE(bus.kernel.openFds().empty());

    // The pair carries both directions and goes out whichever form it was opened with.
    value.resize(2);
    EXPECT_EQ(bus.readSub(0x70, 0x0330, value), kStatusOk);
    EXPECT_EQ(bus.kernel.log.at(bus.kernel.log.size() - 2), "rdwr 3 W38 03 30, R38 2");
}

TEST(I2cDevStatus, KernelErrorsBecomeAdapterStatuses) {
    const struct {
        int err;
        std::uint16_t status;
    } table[] = {{ETIMEDOUT, kStatusTimeout},
                 {EREMOTEIO, kStatusNack},
                 {EIO, kStatusNack},
                 {EPROTO, kStatusNack},
                 {EAGAIN, kStatusBusy},
                 {EBUSY, kStatusBusy},
                 {ENXIO, kStatusNotPresent},
                 {ENODEV, kStatusNoAdapter},
                 {ESHUTDOWN, kStatusNoAdapter},
                 {EOPNOTSUPP, kStatusUnknownCommand},
                 {EINVAL, kStatusUnknownCommand},
                 {ENOMEM, kStatusNack}};
    for (const auto& row : table) {
        SCOPED_TRACE("errno " + std::to_string(row.err));
        Bus bus;
        bus.kernel.failNextTransfer = row.err;
        EXPECT_EQ(bus.writeByte(0x70, 0x00), row.status);
        bus.kernel.failNextTransfer = row.err;
        std::vector<std::uint8_t> value(2);
        EXPECT_EQ(bus.readSub(0xbb, 0x3012, value), row.status);
        EXPECT_TRUE(bus.kernel.openFds().empty());
    }
}

TEST(I2cDevStatus, AnAbsentSlaveAndAStoppedPairAreFailures) {
    Bus bus;
    std::vector<std::uint8_t> value(2);
    // Nobody at 0x72: the device side does not acknowledge the address.
    EXPECT_EQ(bus.read(0x73, value), kStatusNotPresent);
    // A driver that did the write half of the pair but not the read.
    bus.kernel.shortNextTransfer = 1;
    EXPECT_EQ(bus.readSub(0xbb, 0x3012, value), kStatusNack);
    EXPECT_TRUE(bus.kernel.openFds().empty());
}

TEST(I2cDevNode, AMissingNodeReportsNoAdapterOnEveryTransferAndHintsOnce) {
    Bus bus;
    bus.kernel.nodes.clear();
    std::vector<std::uint8_t> value = {0xee};
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.read(0x71, value), kStatusNoAdapter);

    EXPECT_EQ(value[0], 0xee);
    EXPECT_EQ(bus.kernel.log, (Lines{"open /dev/i2c-3 = -2", "open /dev/i2c-3 = -2"}));
    EXPECT_EQ(bus.hints, (Lines{"/dev/i2c-3 does not exist: plug in the adapter, load the "
                                "i2c-dev module (sudo modprobe i2c-dev), or choose a bus from "
                                "vorlix --bus list"}));
}

TEST(I2cDevNode, ANodeWithoutPermissionNamesItsGroupOnceAndKeepsReportingNoAdapter) {
    Bus bus;
    bus.kernel.nodes[kNode] = {.openErrno = EACCES, .gid = 117};
    bus.kernel.groups[117] = "i2c";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);

    EXPECT_EQ(bus.hints, (Lines{"no permission to open /dev/i2c-3: it belongs to group \"i2c\"; "
                                "join it with sudo usermod -aG i2c $USER and log in again"}));
    EXPECT_EQ(bus.kernel.openFds().size(), 0u);
}

TEST(I2cDevNode, ARootOnlyNodeGetsAUdevRuleHint) {
    Bus bus;
    bus.kernel.nodes[kNode] = {.openErrno = EPERM, .gid = 0};
    bus.kernel.groups[0] = "root";
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    ASSERT_EQ(bus.hints.size(), 1u);
    EXPECT_NE(bus.hints[0].find("it belongs to root alone"), std::string::npos);
    EXPECT_NE(bus.hints[0].find("KERNEL==\"i2c-[0-9]*\", GROUP=\"i2c\", MODE=\"0660\""),
              std::string::npos);
}

TEST(I2cDevNode, AnSmbusOnlyAdapterIsRefusedBeforeAnyTransferAndItsNodeClosed) {
    Bus bus;
    bus.kernel.nodes[kNode].funcs = I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA;
    std::vector<std::uint8_t> value(2);
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.readSub(0xbb, 0x3012, value), kStatusNoAdapter);

    EXPECT_EQ(bus.kernel.log, (Lines{"open /dev/i2c-3 = 3", "funcs 3", "close 3",
                                     "open /dev/i2c-3 = 3", "funcs 3", "close 3"}));
    EXPECT_EQ(bus.hints, (Lines{"/dev/i2c-3 can do only SMBus transfers, not the plain I2C "
                                "transfers the camera needs: choose a USB-to-I2C adapter's bus "
                                "(vorlix --bus list)"}));
}

TEST(I2cDevNode, ANodeThatIsNoI2cBusSaysSo) {
    Bus bus;
    bus.kernel.nodes[kNode].funcsErrno = ENOTTY;
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.hints, (Lines{"/dev/i2c-3 is not an I2C bus: choose a node /dev/i2c-N "
                                "(vorlix --bus list)"}));
    EXPECT_TRUE(bus.kernel.openFds().empty());
}

TEST(I2cDevNode, APathThatIsNoI2cDevNodeIsNeverOpened) {
    Bus bus;
    bus.kernel.nodes[kNode].i2cDev = false;  // /etc/passwd, /dev/sda, ... named as the bus
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_EQ(bus.hints, (Lines{"/dev/i2c-3 is not an I2C bus: choose a node /dev/i2c-N "
                                "(vorlix --bus list)"}));
    EXPECT_TRUE(bus.kernel.log.empty());
}

TEST(I2cDevNode, AnAdapterUnpluggedMidRunFailsItsTransferAndThenItsOpens) {
    Bus bus;
    bus.kernel.failNextTransfer = ENODEV;
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    bus.kernel.nodes.clear();
    EXPECT_EQ(bus.writeByte(0x70, 0x00), kStatusNoAdapter);
    EXPECT_TRUE(bus.kernel.openFds().empty());
    EXPECT_EQ(bus.hints.size(), 1u);
}

}  // namespace
}  // namespace vorlix
