#pragma once
// The I2C buses the kernel offers through i2c-dev, and the stable names of those behind a USB
// bridge: the physical port it is plugged into, as the kernel writes it ("1-2", "3-1.4"), and
// its USB serial number. A bus number can change from one plug-in to the next; a fixture's
// socket keeps its port, a bridge keeps its serial.
#include <string>
#include <vector>

#include "adapters/i2c_sys_calls.h"
#include "io/expected.h"

namespace vorlix {

struct I2cBus {
    long number = -1;
    std::string node;        // "/dev/i2c-7"
    std::string kernelName;  // "CP2112 SMBus Bridge on hidraw0", empty when unreadable
    // Of the USB device the bus hangs from; all empty for a bus that is not on USB.
    std::string port;     // "1-2"
    std::string serial;   // may be empty: not every bridge has one
    std::string product;  // "CP2112 HID USB-to-SMBus Bridge"
    std::string usbId;    // "10c4:ea90"
};

// Every devDir/i2c-N in bus order, described by sysClassDir/i2c-N (the class entry the kernel
// links into the device tree: its ancestors up to the USB device carry the port and serial).
std::vector<I2cBus> findI2cBuses(const std::string& devDir, const std::string& sysClassDir);

// The node that an i2c backend argument names: "usb=PORT" and "serial=SERIAL" are looked up
// among buses; anything else is a node path and returned as it is. A name that matches no bus
// or more than one fails with one line that says which buses there are.
io::Expected<std::string> resolveI2cBusName(const std::string& arg,
                                            const std::vector<I2cBus>& buses);

// Whether the stable name arg ("usb=PORT", "serial=SERIAL") selects the bus at node now, as
// sysClassDir describes that bus: once its adapter is pulled out, the node is no bus the name
// selects, even when another bus has taken its number.
bool i2cBusNamedBy(const std::string& arg, const std::string& node, const std::string& sysClassDir);

// `--bus list`'s lines for the i2c backend: each bus as "i2c:NODE  KERNEL NAME", a bus on USB
// followed by an indented line of the stable values that select it and what the bridge is
// ("    i2c:usb=1-2  i2c:serial=0001A2B3  CP2112 HID USB-to-SMBus Bridge (10c4:ea90)"). When
// this process may not open some of them, a line in parentheses after the buses names them,
// says why and what to do, one line for each owner: "(you may not open /dev/i2c-3: it belongs
// to group "i2c"; join it with ...)".
std::vector<std::string> listI2cBuses(const std::string& devDir, const std::string& sysClassDir,
                                      SysCalls& sys = linuxSysCalls());

}  // namespace vorlix
