#pragma once
// The real adapter backends this build has, registered by name beside the simulated camera,
// and the listing behind `--bus list`.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "link/adapter_registry.h"

namespace vorlix {

// One line for the person about a backend that cannot work as it stands and what to do about
// it (a device node without permission, a missing adapter library). A backend gives each kind
// of hint once per run and goes on reporting statuses as usual; the application prints the
// line on standard error and shows it in the window.
using HintFn = std::function<void(const std::string& line)>;

#ifdef __linux__
// "i2c": a USB-to-I2C adapter with a kernel driver, through /dev/i2c-N.
void registerI2cDevBackend(AdapterRegistry& registry, HintFn hint);
#endif
#ifdef _WIN32
// "pxiic": the adapter maker's library, PXIICDLL.dll or the path after "pxiic:".
void registerPxiicBackend(AdapterRegistry& registry, HintFn hint);
#endif

// `--bus list`: every backend with its summary, then the buses it can see right now, each
// written as the --bus value that selects it.
void printBusList(const std::vector<BackendInfo>& backends, std::ostream& out);

}  // namespace vorlix
