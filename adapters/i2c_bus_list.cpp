#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "adapters/i2c_buses.h"
#include "adapters/i2c_permission.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNodePrefix = "i2c-";
constexpr std::string_view kPortName = "usb=";
constexpr std::string_view kSerialName = "serial=";

// N of "i2c-N", or -1 for any other name.
long busNumber(const std::string& name) {
    if (name.size() <= kNodePrefix.size() || name.compare(0, kNodePrefix.size(), kNodePrefix) != 0)
        return -1;
    const std::string digits = name.substr(kNodePrefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(digits);
}

// The first line of a sysfs attribute, or "" when it cannot be read.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The USB device a bus hangs from: the nearest ancestor of its class entry that is one (it has
// devpath and idVendor; its interfaces and the HID device below it have not), none for a bus
// that is not on USB. The class entry's link is taken as written (sysfs makes it relative,
// through no other link), so a look costs one read of the link and a look at each ancestor:
// a bus given a stable name is looked at so before each of its transactions.
std::optional<fs::path> usbDeviceOf(const fs::path& classEntry) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(classEntry, ec);
    fs::path dir = ec ? classEntry : (classEntry.parent_path() / target).lexically_normal();
    for (; dir.has_relative_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "devpath", ec) && fs::exists(dir / "idVendor", ec)) return dir;
    }
    return std::nullopt;
}

// Fills the bus's USB fields from the USB device it hangs from. The kernel names a USB device
// by its port path, BUS-PORT[.PORT...], and so does a fixture's label.
void describeUsbDevice(I2cBus& bus, const fs::path& classEntry) {
    const std::optional<fs::path> dir = usbDeviceOf(classEntry);
    if (!dir) return;
    bus.port = dir->filename().string();
    bus.serial = attribute(*dir / "serial");
    bus.product = attribute(*dir / "product");
    bus.usbId = attribute(*dir / "idVendor") + ":" + attribute(*dir / "idProduct");
}

// What a stable name selects by: the USB port or the serial number, and the value wanted.
struct StableName {
    bool byPort;
    std::string wanted;

    const std::string& valueOf(const I2cBus& bus) const { return byPort ? bus.port : bus.serial; }
};

// The stable name in an i2c backend argument, none for a node path.
std::optional<StableName> stableName(const std::string& arg) {
    for (const bool byPort : {true, false}) {
        const std::string_view prefix = byPort ? kPortName : kSerialName;
        if (arg.rfind(prefix, 0) == 0) return StableName{byPort, arg.substr(prefix.size())};
    }
    return std::nullopt;
}

// "i2c:/dev/i2c-7 (usb=1-2, serial=0001A2B3)": a bus as a choice among others.
std::string choiceText(const I2cBus& bus) {
    std::string text = "i2c:" + bus.node;
    if (bus.port.empty()) return text + " (not on USB)";
    text += " (usb=" + bus.port;
    if (!bus.serial.empty()) text += ", serial=" + bus.serial;
    return text + ")";
}

std::string choicesText(const std::vector<const I2cBus*>& buses) {
    std::string text;
    for (std::size_t i = 0; i < buses.size(); ++i) text += (i ? ", " : "") + choiceText(*buses[i]);
    return text;
}

}  // namespace

std::vector<I2cBus> findI2cBuses(const std::string& devDir, const std::string& sysClassDir) {
    std::vector<I2cBus> buses;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(devDir, ec)) {
        const std::string name = entry.path().filename().string();
        I2cBus bus;
        bus.number = busNumber(name);
        if (bus.number < 0) continue;
        bus.node = entry.path().string();
        bus.kernelName = attribute(fs::path(sysClassDir) / name / "name");
        describeUsbDevice(bus, fs::path(sysClassDir) / name);
        buses.push_back(std::move(bus));
    }
    std::sort(buses.begin(), buses.end(),
              [](const I2cBus& a, const I2cBus& b) { return a.number < b.number; });
    return buses;
}

io::Expected<std::string> resolveI2cBusName(const std::string& arg,
                                            const std::vector<I2cBus>& buses) {
    const std::optional<StableName> name = stableName(arg);
    if (!name) return arg;
    const bool byPort = name->byPort;
    const std::string& wanted = name->wanted;
    const std::string none =
        byPort ? "no I2C bus is on USB port " + wanted : "no I2C bus has the USB serial " + wanted;
    if (wanted.empty())
        return io::Failure{
            std::string(byPort ? "--bus i2c:usb= needs a USB port path, as in i2c:usb=1-2"
                               : "--bus i2c:serial= needs a USB serial number, as in "
                                 "i2c:serial=0001A2B3") +
            " (vorlix --bus list shows them)"};

    std::vector<const I2cBus*> matches, all;
    for (const I2cBus& bus : buses) {
        all.push_back(&bus);
        if (name->valueOf(bus) == wanted) matches.push_back(&bus);
    }
    if (matches.size() == 1) return matches.front()->node;

    std::string error = "--bus i2c:" + arg + ": ";
    if (matches.empty() && all.empty())
        error +=
            none + ", nor any other (is the adapter plugged in, and the i2c-dev module loaded?)";
    else if (matches.empty())
        error += none + "; the buses are " + choicesText(all);
    else
        error += std::to_string(matches.size()) +
                 (byPort ? " I2C buses are on USB port " : " I2C buses have the USB serial ") +
                 wanted + ": " + choicesText(matches) + "; choose one as i2c:/dev/i2c-N" +
                 (byPort ? "" : " or by its port");
    return io::Failure{error};
}

bool i2cBusNamedBy(const std::string& arg, const std::string& node,
                   const std::string& sysClassDir) {
    const std::optional<StableName> name = stableName(arg);
    if (!name || name->wanted.empty()) return false;
    const std::optional<fs::path> dir =
        usbDeviceOf(fs::path(sysClassDir) / fs::path(node).filename());
    if (!dir) return false;
    return (name->byPort ? dir->filename().string() : attribute(*dir / "serial")) == name->wanted;
}

std::vector<std::string> listI2cBuses(const std::string& devDir, const std::string& sysClassDir,
                                      SysCalls& sys) {
    const std::vector<I2cBus> buses = findI2cBuses(devDir, sysClassDir);
    std::vector<std::string> lines;
    // The nodes we may not open, with their owner, in bus order.
    std::vector<std::pair<std::string, NodeOwner>> refused;
    for (const I2cBus& bus : buses) {
        std::string line = "i2c:" + bus.node;
        if (!bus.kernelName.empty()) line += "  " + bus.kernelName;
        lines.push_back(line);
        if (!bus.port.empty()) {
            std::string names = "    i2c:" + std::string(kPortName) + bus.port;
            if (!bus.serial.empty()) names += "  i2c:" + std::string(kSerialName) + bus.serial;
            names += "  " + (bus.product.empty() ? std::string("USB device") : bus.product) + " (" +
                     bus.usbId + ")";
            lines.push_back(names);
        }
        const int access = sys.accessReadWrite(bus.node);
        if (access == -EACCES || access == -EPERM)
            refused.emplace_back(bus.node, nodeOwner(bus.node, sys));
    }

    // One note per owner, naming its nodes in bus order.
    std::vector<std::pair<NodeOwner, std::vector<std::string>>> refusals;
    for (const auto& [node, owner] : refused) {
        auto same = std::find_if(refusals.begin(), refusals.end(), [&owner](const auto& r) {
            return r.first.kind == owner.kind && r.first.group == owner.group;
        });
        if (same == refusals.end()) same = refusals.insert(refusals.end(), {owner, {}});
        same->second.push_back(node);
    }
    for (const auto& [owner, paths] : refusals) {
        std::string note = "(you may not open ";
        for (std::size_t i = 0; i < paths.size(); ++i) note += (i ? ", " : "") + paths[i];
        note += paths.size() == 1 ? ": it belongs to " : ": they belong to ";
        note +=
            owner.kind == NodeOwner::RootAlone ? "root alone; " : "group \"" + owner.group + "\"; ";
        lines.push_back(note + permissionRemedy(owner) + ")");
    }
    return lines;
}

}  // namespace vorlix
