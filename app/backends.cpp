#include "app/backends.h"

#include <filesystem>

namespace vorlix::app {

void registerBackends(AdapterRegistry& registry, HintFn hint) {
    sim::registerSimBackend(registry);
#ifdef __linux__
    registerI2cDevBackend(registry, hint);
#endif
#ifdef _WIN32
    registerPxiicBackend(registry, hint);
#endif
    (void)hint;
}

std::string defaultBus() {
#ifdef _WIN32
    return "pxiic";
#else
    return "sim";
#endif
}

bool isSimulatedBus(const std::string& choice) {
    return choice == "sim";
}

std::unique_ptr<sim::OwningSimAdapter> makeSimAdapter(const std::string& statePath) {
    std::error_code ec;
    if (statePath.empty() || !std::filesystem::exists(statePath, ec))
        return std::make_unique<sim::OwningSimAdapter>();
    return std::make_unique<sim::OwningSimAdapter>(sim::loadSimState(statePath));
}

}  // namespace vorlix::app
