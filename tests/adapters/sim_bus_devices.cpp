#include "sim_bus_devices.h"

#include <cerrno>

#include "adapters/i2c_dev_adapter.h"

namespace vorlix::test {
namespace {

struct StatusErrno {
    std::uint16_t status;
    int err;
};

// The errors drivers report for what the module can answer: a slave that does not
// acknowledge its address (15), one that breaks off (5), a timeout (4), a bus held by another
// master (6), an adapter that has gone (22), a transfer the adapter cannot do (10).
constexpr StatusErrno kDriverErrors[] = {
    {kStatusNotPresent, ENXIO}, {kStatusNack, EREMOTEIO},    {kStatusTimeout, ETIMEDOUT},
    {kStatusBusy, EBUSY},       {kStatusNoAdapter, ENODEV}, {kStatusUnknownCommand, EOPNOTSUPP},
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
    return kernelResultForStatus(camera_.writeReadTransaction(writeForm(addr7), bytes.data(),
                                                              bytes.size(), buffer, count));
}

}  // namespace vorlix::test
