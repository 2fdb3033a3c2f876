#pragma once
// The adapters this build offers, chosen by name on the command line.
#include <string>

#include "adapters/backends.h"
#include "link/adapter_registry.h"

namespace vorlix::app {

// sim, and the real backends of this platform; hints go to hint.
void registerBackends(AdapterRegistry& registry, HintFn hint);
// The vendor library on Windows, the simulated camera elsewhere.
std::string defaultBus();

}  // namespace vorlix::app
