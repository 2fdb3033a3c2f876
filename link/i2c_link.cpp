#include "link/i2c_link.h"

#include <cstdint>
#include <string>

namespace vorlix {

namespace {

struct StatusEntry {
    std::int16_t status;
    std::string_view text;
};

// The adapter's statuses as the person reads them, spelled as the adapter's maker wrote them.
constexpr StatusEntry kStatusTexts[] = {
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

constexpr std::string_view kUnknownStatusText = " error";

std::uint16_t bigEndian(const std::uint8_t (&buffer)[2]) {
    return static_cast<std::uint16_t>(buffer[0] << 8 | buffer[1]);
}

std::uint32_t subAddress16(std::uint8_t hi, std::uint8_t lo) {
    return static_cast<std::uint32_t>(hi) << 8 | lo;
}

}  // namespace

std::string_view I2cLink::statusText(std::uint16_t status) {
    // Statuses are signed on the adapter's side: 0xFFFF is -1 and has no text of its own.
    const auto signedStatus = static_cast<std::int16_t>(status);
    for (const StatusEntry& entry : kStatusTexts) {
        if (entry.status == signedStatus) {
            return entry.text;
        }
    }
    return kUnknownStatusText;
}

int I2cLink::reportStatus(std::uint16_t status) {
    bus_.notifier.messageBox(std::string(statusText(status)));
    errorLatch_ = 1;
    return 1;
}

bool I2cLink::takeError() {
    if (errorLatch_ == 1) {
        errorLatch_ = 0;
        return true;
    }
    return false;
}

void I2cLink::openHandle(std::uint8_t slave, bool selectSlave) {
    errorLatch_ = 0;
    adapterHandle_ = bus_.adapter.open(slave, kOpenTimeout, kOpenSpeed);
    if (selectSlave) {
        bus_.adapter.select(adapterHandle_, slave);
    }
}

std::uint16_t I2cLink::transferSub(std::uint8_t slave, std::uint32_t subLength,
                                   std::uint32_t subAddress, const std::uint8_t* data,
                                   std::uint32_t count) {
    openHandle(slave, true);
    const std::uint16_t status =
        bus_.adapter.writeSub(adapterHandle_, subLength, subAddress, data, count, 0);
    bus_.adapter.close(adapterHandle_);
    return status;
}

void I2cLink::finish(std::uint16_t status) {
    if (status != kStatusOk) {
        reportStatus(status);
        if (stopAtFirstFailure_) stopped_ = true;
    }
}

bool I2cLink::skip() {
    if (!stopped_) return false;
    errorLatch_ = 1;
    return true;
}

void I2cLink::writeByte(std::uint8_t slave, std::uint8_t b) {
    if (skip()) return;
    openHandle(slave, true);
    const std::uint8_t data[1] = {b};
    const std::uint16_t status = bus_.adapter.write(adapterHandle_, data, 0, 1);
    bus_.adapter.close(adapterHandle_);
    finish(status);
}

void I2cLink::writeSub8Byte(std::uint8_t slave, std::uint8_t s, std::uint8_t b) {
    if (skip()) return;
    const std::uint8_t data[1] = {b};
    finish(transferSub(slave, 1, s, data, 1));
}

void I2cLink::writeSub16Byte(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo, std::uint8_t b) {
    if (skip()) return;
    const std::uint8_t data[1] = {b};
    finish(transferSub(slave, 2, subAddress16(hi, lo), data, 1));
}

void I2cLink::writeSub16Word(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo, std::uint8_t b1,
                             std::uint8_t b2) {
    if (skip()) return;
    const std::uint8_t data[2] = {b1, b2};
    finish(transferSub(slave, 2, subAddress16(hi, lo), data, 2));
}

std::uint16_t I2cLink::readSub16Word(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo) {
    if (skip()) return 0;
    openHandle(slave, false);
    std::uint8_t buffer[2] = {0, 0};
    const std::uint16_t status =
        bus_.adapter.readSub(adapterHandle_, 2, subAddress16(hi, lo), buffer, 2, 0);
    bus_.adapter.close(adapterHandle_);
    finish(status);
    return bigEndian(buffer);
}

std::uint16_t I2cLink::readByte(std::uint8_t slave) {
    if (skip()) return 0;
    openHandle(slave, false);
    std::uint8_t buffer[1] = {0};
    const std::uint16_t status = bus_.adapter.read(adapterHandle_, buffer, 0, 1);
    bus_.adapter.close(adapterHandle_);
    finish(status);
    return buffer[0];
}

std::uint16_t I2cLink::readWord(std::uint8_t slave) {
    if (skip()) return 0;
    openHandle(slave, false);
    std::uint8_t buffer[2] = {0, 0};
    const std::uint16_t status = bus_.adapter.read(adapterHandle_, buffer, 0, 2);
    bus_.adapter.close(adapterHandle_);
    finish(status);
    return bigEndian(buffer);
}

}  // namespace vorlix
