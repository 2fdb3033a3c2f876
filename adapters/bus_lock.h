#pragma once
// One run of ours per I2C bus. A camera command is two transactions, its header and its data
// phase, and the bus node is closed between them; a second run's header in between replaces
// ours, so its data phase would read the other command's answer or write where the other one
// pointed. A run therefore holds an advisory lock for the bus as long as it has the bus: flock
// on a small file named after the bus in the system's lock folder (the node itself stays
// closed between transactions). Other programs (i2c-tools) do not ask for it.
#include <memory>
#include <string>
#include <vector>

#include "io/expected.h"

namespace vorlix {

// The lock for node, taken in the first of lockDirs that can hold the lock file; held until
// the returned object is released. A bus that another run holds fails with one line for the
// person. A lock that cannot be made at all (no folder for it) is no reason to refuse the bus:
// a holder of nothing comes back and the run goes on unguarded.
io::Expected<std::shared_ptr<void>> lockBus(const std::string& node,
                                            const std::vector<std::string>& lockDirs);

// Where the lock files go: the system's lock folder, else the temporary one.
const std::vector<std::string>& busLockDirs();

}  // namespace vorlix
