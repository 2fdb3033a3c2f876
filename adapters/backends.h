#pragma once
// The real adapter backends this build has, registered by name beside the simulated camera,
// and the listing behind `--bus list`.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "link/adapter_registry.h"

#ifdef __linux__
#include "adapters/i2c_sys_calls.h"
#endif

namespace vorlix {

// One line for the person about a backend that cannot work as it stands and what to do about
// it (a device node without permission, a missing adapter library). A backend gives each kind
// of hint once per run and goes on reporting statuses as usual; the application prints the
// line on standard error and shows it in the window.
using HintFn = std::function<void(const std::string& line)>;

#ifdef __linux__
// "i2c": a USB-to-I2C adapter with a kernel driver, through /dev/i2c-N.
void registerI2cDevBackend(AdapterRegistry& registry, HintFn hint);

// Where the i2c backend looks: the device nodes, the kernel's class folder of the i2c-dev
// driver, and the folders for the locks on the buses.
struct I2cPaths {
    std::string devDir;
    std::string sysClassDir;
    std::vector<std::string> lockDirs;
};

// The bus that an i2c backend argument names (a node, or a stable name resolved among the buses
// found now), locked for this run. A node that does not exist is refused with one line, as is
// a stable name that names no bus or several; a node we may not open, or one that is no I2C
// bus, is taken, and its transfers report that their adapter is missing (with a hint). A bus
// named by a stable name can be found again after the adapter was pulled out and put back in
// (OpenedBus::findAgain).
io::Expected<OpenedBus> openI2cBus(const std::string& arg, const I2cPaths& paths, SysCalls& sys,
                                   HintFn hint);
#endif
#ifdef _WIN32
// "pxiic": the adapter maker's library, PXIICDLL.dll or the path after "pxiic:".
void registerPxiicBackend(AdapterRegistry& registry, HintFn hint);
#endif

// `--bus list`: every backend with its summary, then the buses it can see right now, each
// written as the --bus value that selects it.
void printBusList(const std::vector<BackendInfo>& backends, std::ostream& out);

}  // namespace vorlix
