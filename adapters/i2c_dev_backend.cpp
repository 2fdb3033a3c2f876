#include <memory>

#include "adapters/backends.h"
#include "adapters/i2c_dev_adapter.h"

namespace vorlix {

void registerI2cDevBackend(AdapterRegistry& registry, HintFn hint) {
    registry.add(
        BackendInfo{"i2c", "a USB-to-I2C adapter with a Linux kernel driver, as i2c:/dev/i2c-N",
                    [hint](const BackendRequest& request, std::string& error) -> OpenedBus {
                        // A node that does not exist yet is accepted: the adapter may be plugged in
                        // later, and until then every transfer says the adapter is missing.
                        if (request.arg.empty()) {
                            error =
                                "--bus i2c needs a device node, as in i2c:/dev/i2c-3 "
                                "(vorlix --bus list shows them)";
                            return {};
                        }
                        return {std::make_unique<I2cDevAdapter>(request.arg, linuxSysCalls(), hint)};
                    },
                    [] { return listI2cBuses("/dev", "/sys/class/i2c-dev"); }});
}

}  // namespace vorlix
