// What `--bus list` shows: the backends with their buses, and the I2C nodes found on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/backends.h"
#ifdef __linux__
#include "adapters/bus_lock.h"
#include "adapters/i2c_buses.h"
#include "fake_kernel.h"
#include "usb_sysfs.h"
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

// Three USB bridges and a bus of the graphics card, as the kernel lays them out.
class UsbBridgeSysfs : public testing::Test {
protected:
    void SetUp() override {
        sysfs_.attributes(kUsb1, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"devpath", "0"}});
        plugCp2112(7, "0001");
        // Two bridges behind a hub that left the factory with the same serial number.
        sysfs_.bridge(8, kUsb1 / "1-3/1-3.4", "1-3.4:1.2/0003:04D8:00DD.0002",
                      "MCP2221 usb-i2c bridge",
                      {{"idVendor", "04d8"},
                       {"idProduct", "00dd"},
                       {"devpath", "3.4"},
                       {"serial", "0000000001"},
                       {"product", "MCP2221 USB-I2C/UART Combo"}});
        sysfs_.bridge(9, kUsb1 / "1-3/1-3.1", "1-3.1:1.2/0003:04D8:00DD.0003",
                      "MCP2221 usb-i2c bridge",
                      {{"idVendor", "04d8"},
                       {"idProduct", "00dd"},
                       {"devpath", "3.1"},
                       {"serial", "0000000001"}});
        // A bus of the graphics card: on PCI, no port, no serial.
        sysfs_.bridge(0, "devices/pci0000:00/0000:00:02.0", "", "i915 gmbus dpc", {});
    }

    // The CP2112 in port 1-2 as bus n, its HID device numbered hid.
    void plugCp2112(int n, const std::string& hid) {
        sysfs_.bridge(n, kUsb1 / "1-2", "1-2:1.0/0003:10C4:EA90." + hid,
                      "CP2112 SMBus Bridge on hidraw0",
                      {{"idVendor", "10c4"},
                       {"idProduct", "ea90"},
                       {"devpath", "2"},
                       {"serial", "0001A2B3"},
                       {"product", "CP2112 HID USB-to-SMBus Bridge"}});
    }

    std::string dev() const { return sysfs_.dev(); }
    std::string node(int n) const { return sysfs_.node(n); }
    std::vector<I2cBus> buses() const { return findI2cBuses(dev(), sysfs_.sysClass()); }

    inline static const fs::path kUsb1 = "devices/pci0000:00/0000:00:14.0/usb1";
    // One tree a test: ctest runs the tests of this fixture side by side.
    test::UsbSysfs sysfs_{
        fs::path(testing::TempDir()) /
        ("vorlix_usb_sysfs_" +
         std::string(testing::UnitTest::GetInstance()->current_test_info()->name()))};
};

TEST_F(UsbBridgeSysfs, ListsEachBridgeWithTheStableValuesThatSelectIt) {
    test::MemoryDevice nobody(0x38, 2);
    test::FakeKernel kernel(nobody);
    EXPECT_EQ(
        listI2cBuses(dev(), sysfs_.sysClass(), kernel),
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

// A bus named by its port is found again after its bridge was pulled out and put back in under
// another number: gone while it is out, also when another bus (with a camera on it) has taken
// its number meanwhile, where nothing is sent; then the adapter goes on at the new node, and
// the lock on the bus went there with it. A bus named by its node has nothing to find again,
// and a node that does not exist is refused at start, as a port that names no bus is.
TEST_F(UsbBridgeSysfs, APortNameFindsItsBridgeAgainUnderANewNumber) {
    test::MemoryDevice device(0x38, 2);
    test::FakeKernel kernel(device);
    kernel.nodes[node(7)] = {};
    kernel.nodes[node(8)] = {};
    const I2cPaths paths{dev(), sysfs_.sysClass(), {(sysfs_.root() / "lock").string()}};
    fs::create_directories(paths.lockDirs.front());
    std::vector<std::string> hints;
    io::Expected<OpenedBus> opened = openI2cBus(
        "usb=1-2", paths, kernel, [&hints](const std::string& line) { hints.push_back(line); });
    ASSERT_TRUE(opened) << opened.why();
    OpenedBus& bus = *opened;
    EXPECT_EQ(bus.resolved, node(7));
    ASSERT_TRUE(bus.findAgain);
    const auto lookUp = [&bus] {
        const BusPlace place = bus.findAgain();
        const char* kinds[] = {"same ", "gone ", "moved "};
        return kinds[static_cast<int>(place.kind)] + place.node;
    };
    EXPECT_EQ(lookUp(), "same " + node(7));
    sysfs_.unplug(7, kUsb1 / "1-2");
    kernel.nodes.erase(node(7));
    EXPECT_EQ(lookUp(), "gone " + node(7));
    const std::uint8_t byte = 0;
    const auto writeByte = [&bus, &byte] {
        const AdapterHandle handle = bus.adapter->open(0x70, 0, 0);
        const std::uint16_t status = bus.adapter->write(handle, &byte, 0, 1);
        bus.adapter->close(handle);
        return status;
    };
    EXPECT_EQ(writeByte(), kStatusNoAdapter);
    sysfs_.bridge(7, "devices/platform/i2c-stub", "", "SMBus stub driver", {});
    kernel.nodes[node(7)] = {};
    kernel.log.clear();
    EXPECT_EQ(writeByte(), kStatusNoAdapter);
    EXPECT_EQ(kernel.log, (std::vector<std::string>{"open " + node(7) + " = 3", "close 3"}));
    EXPECT_EQ(hints, (std::vector<std::string>{
                         node(7) + " went away: the adapter of i2c:usb=1-2 was pulled out; plug "
                                   "it in again",
                         node(7) + " is no longer the bus of i2c:usb=1-2: its adapter was pulled "
                                   "out; nothing is sent there"}));
    EXPECT_EQ(lookUp(), "gone " + node(7));
    plugCp2112(10, "0004");
    kernel.nodes[node(10)] = {};
    EXPECT_EQ(lookUp(), "moved " + node(10));
    EXPECT_EQ(lookUp(), "same " + node(10));

    kernel.log.clear();
    EXPECT_EQ(writeByte(), kStatusOk);
    ASSERT_FALSE(kernel.log.empty());
    EXPECT_EQ(kernel.log.front(), "open " + node(10) + " = 3");
    EXPECT_FALSE(lockBus(node(10), paths.lockDirs));
    EXPECT_TRUE(lockBus(node(7), paths.lockDirs));

    io::Expected<OpenedBus> byNode = openI2cBus(node(8), paths, kernel, nullptr);
    ASSERT_TRUE(byNode) << byNode.why();
    EXPECT_FALSE(byNode->findAgain);
    EXPECT_EQ(openI2cBus(dev() + "/i2c-99", paths, kernel, nullptr).why(),
              dev() +
                  "/i2c-99 does not exist: plug in the adapter, load the i2c-dev module (sudo "
                  "modprobe i2c-dev), or choose a bus from vorlix --bus list");
    const std::string noPort = openI2cBus("usb=9-9", paths, kernel, nullptr).why();
    const std::string said = "--bus i2c:usb=9-9: no I2C bus is on USB port 9-9; the buses are";
    EXPECT_EQ(noPort.substr(0, said.size()), said);
}
#endif

}  // namespace
}  // namespace vorlix
