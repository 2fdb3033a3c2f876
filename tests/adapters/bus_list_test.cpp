// What `--bus list` shows: the backends with their buses, and the I2C nodes found on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/backends.h"
#ifdef __linux__
#include "adapters/i2c_dev_adapter.h"
#include "fake_kernel.h"
#endif

namespace vorlix {
namespace {

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
#endif

}  // namespace
}  // namespace vorlix
