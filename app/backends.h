#pragma once
// The adapters this build offers, chosen by name on the command line.
#include <memory>
#include <ostream>
#include <string>

#include "adapters/backends.h"
#include "link/adapter_registry.h"
#include "sim/sim_backend.h"

namespace vorlix::app {

// sim, and the real backends of this platform; hints go to hint.
void registerBackends(AdapterRegistry& registry, HintFn hint);
// The vendor library on Windows, the simulated camera elsewhere.
std::string defaultBus();
bool isSimulatedBus(const std::string& choice);

// The simulated camera with its state: from statePath when that file exists, else the
// built-in default camera (the file is then created when the program ends). Throws
// sim::SimStateError for an unreadable or malformed file.
std::unique_ptr<sim::OwningSimAdapter> makeSimAdapter(const std::string& statePath);

}  // namespace vorlix::app
