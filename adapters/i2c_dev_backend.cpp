#include <cerrno>
#include <memory>
#include <optional>

#include "adapters/backends.h"
#include "adapters/bus_lock.h"
#include "adapters/i2c_buses.h"
#include "adapters/i2c_dev_adapter.h"

namespace vorlix {
namespace {

// A bus named by a stable name, as it is followed through pulls and plugs: the adapter on it,
// the node it uses and the lock on that node.
struct FollowedBus {
    I2cDevAdapter* adapter;
    std::string node;
    std::shared_ptr<void> lock;
};

}  // namespace

io::Expected<OpenedBus> openI2cBus(const std::string& arg, const I2cPaths& paths, SysCalls& sys,
                                   HintFn hint) {
    if (arg.empty())
        return io::Failure{
            "--bus i2c needs a device node, as in i2c:/dev/i2c-3, or a USB port or serial, as in "
            "i2c:usb=1-2 (vorlix --bus list shows them)"};
    const io::Expected<std::string> node =
        resolveI2cBusName(arg, findI2cBuses(paths.devDir, paths.sysClassDir));
    if (!node) return node.failure();
    // A bus that is not there is no bus to wait for: the run would search it for ever.
    const int there = sys.checkNode(*node);
    if (there == -ENOENT || there == -ENOTDIR) return io::Failure{missingNodeText(*node)};
    io::Expected<std::shared_ptr<void>> lock = lockBus(*node, paths.lockDirs);
    if (!lock) return lock.failure();
    const bool byNode = *node == arg;
    auto adapter = std::make_unique<I2cDevAdapter>(
        *node, sys, hint,
        byNode ? std::nullopt : std::optional(I2cStableName{arg, paths.sysClassDir}));
    OpenedBus bus;
    if (byNode) {
        bus.hold = std::move(*lock);
    } else {
        bus.resolved = *node;
        auto followed =
            std::make_shared<FollowedBus>(FollowedBus{adapter.get(), *node, std::move(*lock)});
        bus.hold = followed;
        // The name is looked up among the buses there are now; the lock is taken on the new
        // node before the old one is let go, so the bus is never unguarded while it is ours.
        bus.findAgain = [followed, arg, paths]() -> BusPlace {
            const io::Expected<std::string> now =
                resolveI2cBusName(arg, findI2cBuses(paths.devDir, paths.sysClassDir));
            if (!now) return {BusPlace::Kind::Gone, followed->node};
            if (*now == followed->node) return {BusPlace::Kind::Same, *now};
            io::Expected<std::shared_ptr<void>> moved = lockBus(*now, paths.lockDirs);
            if (!moved) return {BusPlace::Kind::Gone, followed->node};
            followed->lock = std::move(*moved);
            followed->node = *now;
            followed->adapter->useNode(*now);
            return {BusPlace::Kind::Moved, *now};
        };
    }
    bus.adapter = std::move(adapter);
    return bus;
}

void registerI2cDevBackend(AdapterRegistry& registry, HintFn hint) {
    static const I2cPaths kSystem{"/dev", "/sys/class/i2c-dev", busLockDirs()};
    registry.add(BackendInfo{
        "i2c",
        "a USB-to-I2C adapter with a Linux kernel driver, as i2c:/dev/i2c-N, i2c:usb=PORT or "
        "i2c:serial=SERIAL",
        [hint](const BackendRequest& request) {
            return openI2cBus(request.arg, kSystem, linuxSysCalls(), hint);
        },
        [] { return listI2cBuses(kSystem.devDir, kSystem.sysClassDir); }});
}

}  // namespace vorlix
