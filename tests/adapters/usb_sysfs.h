#pragma once
// A fake device tree in the layout the kernel gives a USB HID bridge: the i2c-dev class entry
// links into the device tree below the HID device, its interface and the USB device that
// carries port and serial; the bus's node sits in a folder of its own that stands for /dev.
// A bridge can be pulled out (its node, class entry and USB device go) and put in again under
// another bus number.
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace vorlix::test {

class UsbSysfs {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    explicit UsbSysfs(std::filesystem::path root) : root_(std::move(root)) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "dev");
        std::filesystem::create_directories(root_ / "sys/class/i2c-dev");
    }
    ~UsbSysfs() { std::filesystem::remove_all(root_); }
    UsbSysfs(const UsbSysfs&) = delete;
    UsbSysfs& operator=(const UsbSysfs&) = delete;

    void attributes(const std::filesystem::path& dir, const Attributes& values) const {
        std::filesystem::create_directories(root_ / "sys" / dir);
        for (const auto& [name, value] : values)
            std::ofstream(root_ / "sys" / dir / name) << value << '\n';
    }
    // Bus n below usbDevice (a path under sys/, the USB device's attributes given in usb; none
    // for a bus that is not on USB), through the interface and HID device named by below.
    void bridge(int n, const std::filesystem::path& usbDevice, const std::filesystem::path& below,
                const std::string& name, const Attributes& usb) const {
        const std::string bus = "i2c-" + std::to_string(n);
        if (!usb.empty()) attributes(usbDevice, usb);
        const std::filesystem::path entry = usbDevice / below / bus / "i2c-dev" / bus;
        attributes(entry, {{"name", name}});
        std::filesystem::create_directory_symlink("../../" / entry,
                                                  root_ / "sys/class/i2c-dev" / bus);
        std::ofstream(root_ / "dev" / bus).put('\0');
    }
    // The bridge of bus n, plugged in at usbDevice, pulled out.
    void unplug(int n, const std::filesystem::path& usbDevice) const {
        const std::string bus = "i2c-" + std::to_string(n);
        std::filesystem::remove(root_ / "dev" / bus);
        std::filesystem::remove(root_ / "sys/class/i2c-dev" / bus);
        std::filesystem::remove_all(root_ / "sys" / usbDevice);
    }

    const std::filesystem::path& root() const { return root_; }
    std::string dev() const { return (root_ / "dev").string(); }
    std::string node(int n) const { return dev() + "/i2c-" + std::to_string(n); }
    std::string sysClass() const { return (root_ / "sys/class/i2c-dev").string(); }

private:
    std::filesystem::path root_;
};

}  // namespace vorlix::test
