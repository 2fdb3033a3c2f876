// What `--bus list` shows: the backends with their buses, and the I2C nodes found on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/backends.h"
#ifdef __linux__
#include "adapters/i2c_dev_adapter.h"
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
#endif

}  // namespace
}  // namespace vorlix
