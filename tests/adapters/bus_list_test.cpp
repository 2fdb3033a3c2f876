// What `--bus list` shows: the backends with their buses, and the I2C nodes found on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/backends.h"
#ifdef __linux__
#include "adapters/i2c_buses.h"
#include "fake_kernel.h"
#endif

namespace vorlix {
namespace {

namespace fs = std::filesystem;

BackendInfo backend(std::string name, std::string summary,
                    std::function<std::vector<std::string>()> lister) {
    return BackendInfo{std::move(name), std::move(summary), nullptr, std::move(lister)};
}

TEST(BusList, ShowsEachBackendWithTheBusValuesItCanSeeAndSaysWhenItFoundNone) {
    std::ostringstream out;
    printBusList({backend("sim", "the simulated camera", nullptr),
                  backend("i2c", "a USB-to-I2C adapter, as i2c:/dev/i2c-N",
                          [] {
                              return std::vector<std::string>{"i2c:/dev/i2c-3  CP2112 SMBus Bridge",
                                                              "i2c:/dev/i2c-12"};
                          }),
                  backend("pxiic", "the adapter maker's library",
                          [] { return std::vector<std::string>{}; })},
                 out);
    EXPECT_EQ(out.str(),
              "sim  the simulated camera\n"
              "i2c  a USB-to-I2C adapter, as i2c:/dev/i2c-N\n"
              "    i2c:/dev/i2c-3  CP2112 SMBus Bridge\n"
              "    i2c:/dev/i2c-12\n"
              "pxiic  the adapter maker's library\n"
              "    (none found)\n");
}

#ifdef __linux__
TEST(BusList, ListsI2cNodesInBusOrderWithTheAdapterNamesSysfsGives) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(testing::TempDir()) / "vorlix_bus_list";
    fs::remove_all(root);
    fs::create_directories(root / "dev");
    fs::create_directories(root / "sys" / "i2c-2");
    for (const char* name : {"i2c-10", "i2c-2", "i2c-dev", "i2c-", "ttyUSB0"})
        std::ofstream(root / "dev" / name).put('\0');
    std::ofstream(root / "sys" / "i2c-2" / "name") << "CP2112 SMBus Bridge on hidraw0\n";

    const std::string dev = (root / "dev").string();
    EXPECT_EQ(listI2cBuses(dev, (root / "sys").string()),
              (std::vector<std::string>{"i2c:" + dev + "/i2c-2  CP2112 SMBus Bridge on hidraw0",
                                        "i2c:" + dev + "/i2c-10"}));
    EXPECT_TRUE(listI2cBuses((root / "absent").string(), (root / "sys").string()).empty());
    fs::remove_all(root);
}

TEST(BusList, NamesTheNodesWeMayNotOpenWithWhyAndWhatToDoOnceForEachOwner) {
    namespace fs = std::filesystem;
    const fs::path dev = fs::path(testing::TempDir()) / "vorlix_bus_list_permission";
    fs::remove_all(dev);
    fs::create_directories(dev);
    for (const char* name : {"i2c-0", "i2c-1", "i2c-2", "i2c-3"})
        std::ofstream(dev / name).put('\0');
    const auto node = [&dev](int n) { return (dev / ("i2c-" + std::to_string(n))).string(); };
    const std::vector<std::string> buses{"i2c:" + node(0), "i2c:" + node(1), "i2c:" + node(2),
                                         "i2c:" + node(3)};
    const gid_t i2c = 117;
    const std::string rootAlone =
        "it belongs to root alone; install i2c-tools (sudo apt install i2c-tools), whose udev "
        "rule gives the I2C nodes the group i2c, or elsewhere add a rule such as "
        "KERNEL==\"i2c-[0-9]*\", GROUP=\"i2c\", MODE=\"0660\" in /etc/udev/rules.d/60-i2c.rules "
        "and run sudo groupadd -f i2c; then join the group (sudo usermod -aG i2c $USER), replug "
        "the adapter and log in again)";

    struct Case {
        const char* what;
        int groupNodeErrno;  // for i2c-0 and i2c-2, of group i2c
        bool listed;         // the group database lists the user in i2c
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"group nodes we may open", 0, false, {"(you may not open " + node(3) + ": " + rootAlone}},
        {"a group the user is not in",
         EACCES,
         false,
         {"(you may not open " + node(0) + ", " + node(2) +
              ": they belong to group \"i2c\"; join it with sudo usermod -aG i2c $USER and log "
              "in again)",
          "(you may not open " + node(3) + ": " + rootAlone}},
        {"a group joined since logging in",
         EACCES,
         true,
         {"(you may not open " + node(0) + ", " + node(2) +
              ": they belong to group \"i2c\"; you were added to it after logging in: log in "
              "again)",
          "(you may not open " + node(3) + ": " + rootAlone}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::MemoryDevice nobody(0x38, 2);
        test::FakeKernel kernel(nobody);
        kernel.groups = {{0, "root"}, {i2c, "i2c"}};
        if (c.listed) kernel.listedGroups.insert(i2c);
        kernel.nodes[node(0)] = {.openErrno = c.groupNodeErrno, .gid = i2c};
        kernel.nodes[node(1)] = {.openErrno = 0, .gid = i2c};
        kernel.nodes[node(2)] = {.openErrno = c.groupNodeErrno, .gid = i2c};
        kernel.nodes[node(3)] = {.openErrno = EPERM, .gid = 0};

        std::vector<std::string> expected = buses;
        expected.insert(expected.end(), c.notes.begin(), c.notes.end());
        EXPECT_EQ(listI2cBuses(dev.string(), (dev / "sys").string(), kernel), expected);
    }
    fs::remove_all(dev);
}

// The layout the kernel gives a USB HID bridge: the i2c-dev class entry links into the device
// tree below the HID device, its interface and the USB device that carries port and serial.
class UsbBridgeSysfs : public testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(root_);
        fs::create_directories(root_ / "dev");
        fs::create_directories(root_ / "sys/class/i2c-dev");
        const fs::path usb1 = "devices/pci0000:00/0000:00:14.0/usb1";
        attributes(usb1, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"devpath", "0"}});
        bridge(7, usb1 / "1-2", "1-2:1.0/0003:10C4:EA90.0001", "CP2112 SMBus Bridge on hidraw0",
               {{"idVendor", "10c4"},
                {"idProduct", "ea90"},
                {"devpath", "2"},
                {"serial", "0001A2B3"},
                {"product", "CP2112 HID USB-to-SMBus Bridge"}});
        // Two bridges behind a hub that left the factory with the same serial number.
        bridge(8, usb1 / "1-3/1-3.4", "1-3.4:1.2/0003:04D8:00DD.0002", "MCP2221 usb-i2c bridge",
               {{"idVendor", "04d8"},
                {"idProduct", "00dd"},
                {"devpath", "3.4"},
                {"serial", "0000000001"},
                {"product", "MCP2221 USB-I2C/UART Combo"}});
        bridge(9, usb1 / "1-3/1-3.1", "1-3.1:1.2/0003:04D8:00DD.0003", "MCP2221 usb-i2c bridge",
               {{"idVendor", "04d8"},
                {"idProduct", "00dd"},
                {"devpath", "3.1"},
                {"serial", "0000000001"}});
        // A bus of the graphics card: on PCI, no port, no serial.
        bridge(0, "devices/pci0000:00/0000:00:02.0", "", "i915 gmbus dpc", {});
    }
    void TearDown() override { fs::remove_all(root_); }

    void attributes(const fs::path& dir, std::vector<std::pair<std::string, std::string>> values) {
        fs::create_directories(root_ / "sys" / dir);
        for (const auto& [name, value] : values)
            std::ofstream(root_ / "sys" / dir / name) << value << '\n';
    }
    void bridge(int n, const fs::path& usbDevice, const fs::path& below, const std::string& name,
                std::vector<std::pair<std::string, std::string>> usb) {
        const std::string bus = "i2c-" + std::to_string(n);
        if (!usb.empty()) attributes(usbDevice, usb);
        const fs::path entry = usbDevice / below / bus / "i2c-dev" / bus;
        attributes(entry, {{"name", name}});
        fs::create_directory_symlink("../../" / entry, root_ / "sys/class/i2c-dev" / bus);
        std::ofstream(root_ / "dev" / bus).put('\0');
    }
    std::string dev() const { return (root_ / "dev").string(); }
    std::string node(int n) const { return dev() + "/i2c-" + std::to_string(n); }
    std::vector<I2cBus> buses() const {
        return findI2cBuses(dev(), (root_ / "sys/class/i2c-dev").string());
    }

    // One tree a test: ctest runs the tests of this fixture side by side.
    const fs::path root_ =
        fs::path(testing::TempDir()) /
        ("vorlix_usb_sysfs_" +
         std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(UsbBridgeSysfs, ListsEachBridgeWithTheStableValuesThatSelectIt) {
    test::MemoryDevice nobody(0x38, 2);
    test::FakeKernel kernel(nobody);
    EXPECT_EQ(
        listI2cBuses(dev(), (root_ / "sys/class/i2c-dev").string(), kernel),
        (std::vector<std::string>{
            "i2c:" + node(0) + "  i915 gmbus dpc",
            "i2c:" + node(7) + "  CP2112 SMBus Bridge on hidraw0",
            "    i2c:usb=1-2  i2c:serial=0001A2B3  CP2112 HID USB-to-SMBus Bridge (10c4:ea90)",
            "i2c:" + node(8) + "  MCP2221 usb-i2c bridge",
            "    i2c:usb=1-3.4  i2c:serial=0000000001  MCP2221 USB-I2C/UART Combo (04d8:00dd)",
            "i2c:" + node(9) + "  MCP2221 usb-i2c bridge",
            "    i2c:usb=1-3.1  i2c:serial=0000000001  USB device (04d8:00dd)"}));
}

TEST_F(UsbBridgeSysfs, ResolvesAPortOrASerialToOneNodeOrSaysWhichBusesThereAre) {
    const std::string all = "i2c:" + node(0) + " (not on USB), i2c:" + node(7) +
                            " (usb=1-2, serial=0001A2B3), i2c:" + node(8) +
                            " (usb=1-3.4, serial=0000000001), i2c:" + node(9) +
                            " (usb=1-3.1, serial=0000000001)";
    struct Case {
        std::string arg, node, error;
    };
    const Case cases[] = {
        {"usb=1-2", node(7), ""},
        {"usb=1-3.4", node(8), ""},
        {"serial=0001A2B3", node(7), ""},
        {"/dev/i2c-5", "/dev/i2c-5", ""},  // a node is taken as it is, present or not
        {"usb=1-3", "", "--bus i2c:usb=1-3: no I2C bus is on USB port 1-3; the buses are " + all},
        {"serial=0001a2b3", "",
         "--bus i2c:serial=0001a2b3: no I2C bus has the USB serial 0001a2b3; the buses are " + all},
        {"serial=0000000001", "",
         "--bus i2c:serial=0000000001: 2 I2C buses have the USB serial 0000000001: i2c:" + node(8) +
             " (usb=1-3.4, serial=0000000001), i2c:" + node(9) +
             " (usb=1-3.1, serial=0000000001); choose one as i2c:/dev/i2c-N or by its port"},
        {"usb=", "",
         "--bus i2c:usb= needs a USB port path, as in i2c:usb=1-2 (vorlix --bus list shows them)"},
    };
    const std::vector<I2cBus> found = buses();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        const io::Expected<std::string> resolved = resolveI2cBusName(c.arg, found);
        EXPECT_EQ(resolved ? *resolved : "", c.node);
        EXPECT_EQ(resolved ? "" : resolved.why(), c.error);
    }
    EXPECT_EQ(resolveI2cBusName("usb=1-2", {}).why(),
              "--bus i2c:usb=1-2: no I2C bus is on USB port 1-2, nor any other (is the adapter "
              "plugged in, and the i2c-dev module loaded?)");
}
#endif

}  // namespace
}  // namespace vorlix
