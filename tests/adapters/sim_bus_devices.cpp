#include "sim_bus_devices.h"

#include <cerrno>

#include "adapters/i2c_dev_adapter.h"

namespace vorlix::test {
namespace {

struct StatusErrno {
    std::uint16_t status;
    int err;
};

// The errors drivers report for what the module can answer.
constexpr StatusErrno kDriverErrors[] = {
    {kStatusNotPresent, ENXIO},           // nobody acknowledged the address
    {kStatusNack, EREMOTEIO},             // the slave refused or broke off
    {kStatusTimeout, ETIMEDOUT},          // no answer in time
    {kStatusBusy, EBUSY},                 // another master holds the bus
    {kStatusNoAdapter, ENODEV},           // the adapter has gone
    {kStatusUnknownCommand, EOPNOTSUPP},  // a transfer the adapter cannot do
};

std::uint8_t writeForm(std::uint16_t addr7) {
    return static_cast<std::uint8_t>(addr7 << 1);
}

}  // namespace

int kernelResultForStatus(std::uint16_t status) {
    if (status == kStatusOk) return 0;
    for (const StatusErrno& entry : kDriverErrors) {
        if (entry.status == status) return -entry.err;
    }
    return -EIO;
}

int SimBusDevices::write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) {
    return kernelResultForStatus(
        camera_.writeTransaction(writeForm(addr7), bytes.data(), bytes.size()));
}

int SimBusDevices::read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) {
    const auto readForm = static_cast<std::uint8_t>(writeForm(addr7) | 1);
    return kernelResultForStatus(camera_.readTransaction(readForm, buffer, count));
}

int SimBusDevices::writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes,
                             std::uint8_t* buffer, std::size_t count) {
    return kernelResultForStatus(
        camera_.writeReadTransaction(writeForm(addr7), bytes.data(), bytes.size(), buffer, count));
}

}  // namespace vorlix::test
