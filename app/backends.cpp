#include "app/backends.h"

#include "sim/sim_backend.h"

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

}  // namespace vorlix::app
