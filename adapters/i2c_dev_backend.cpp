#include <memory>

#include "adapters/backends.h"
#include "adapters/bus_lock.h"
#include "adapters/i2c_buses.h"
#include "adapters/i2c_dev_adapter.h"

namespace vorlix {
namespace {

constexpr const char* kDevDir = "/dev";
constexpr const char* kSysClassDir = "/sys/class/i2c-dev";

}  // namespace

void registerI2cDevBackend(AdapterRegistry& registry, HintFn hint) {
    registry.add(BackendInfo{
        "i2c",
        "a USB-to-I2C adapter with a Linux kernel driver, as i2c:/dev/i2c-N, i2c:usb=PORT or "
        "i2c:serial=SERIAL",
        [hint](const BackendRequest& request) -> io::Expected<OpenedBus> {
            if (request.arg.empty())
                return io::Failure{
                    "--bus i2c needs a device node, as in i2c:/dev/i2c-3, or a USB port or serial, "
                    "as in i2c:usb=1-2 (vorlix --bus list shows them)"};
            // A stable name is looked up once, at start: the bus it names must be there. A
            // node that does not exist yet is accepted: the adapter may be plugged in later,
            // and until then every transfer says the adapter is missing.
            const io::Expected<std::string> node =
                resolveI2cBusName(request.arg, findI2cBuses(kDevDir, kSysClassDir));
            if (!node) return node.failure();
            io::Expected<std::shared_ptr<void>> lock = lockBus(*node, busLockDirs());
            if (!lock) return lock.failure();
            OpenedBus bus{std::make_unique<I2cDevAdapter>(*node, linuxSysCalls(), hint)};
            bus.hold = std::move(*lock);
            if (*node != request.arg) bus.resolved = *node;
            return bus;
        },
        [] { return listI2cBuses(kDevDir, kSysClassDir); }});
}

}  // namespace vorlix
