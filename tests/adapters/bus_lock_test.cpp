// One run per bus: the second run on a bus is refused with a line that names the bus and the
// lock, under any name of that bus, until the first lets go.
#include "adapters/bus_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorlix {
namespace {

namespace fs = std::filesystem;

TEST(BusLock, ASecondRunOnTheSameBusIsRefusedUntilTheFirstEnds) {
    const fs::path root = fs::path(testing::TempDir()) / "vorlix_bus_lock";
    fs::remove_all(root);
    fs::create_directories(root / "lock");
    std::ofstream(root / "i2c-7").put('\0');
    fs::create_symlink(root / "i2c-7", root / "camera-bus");
    const std::string node = (root / "i2c-7").string();
    const std::vector<std::string> dirs{(root / "absent").string(), (root / "lock").string()};

    io::Expected<std::shared_ptr<void>> first = lockBus(node, dirs);
    ASSERT_TRUE(first);

    for (const fs::path& name : {root / "i2c-7", root / "camera-bus"}) {
        SCOPED_TRACE(name.string());
        const io::Expected<std::shared_ptr<void>> second = lockBus(name.string(), dirs);
        ASSERT_FALSE(second);
        EXPECT_EQ(second.why(), name.string() + " is in use by another vorlix run (it holds " +
                                    (root / "lock" / "vorlix-i2c-7.lock").string() +
                                    "): a second run would come between its camera commands' "
                                    "header and data phase; wait until that run ends");
    }
    // Another bus is free meanwhile.
    EXPECT_TRUE(lockBus((root / "i2c-8").string(), dirs));

    first->reset();
    EXPECT_TRUE(lockBus(node, dirs));

    // Nowhere to keep a lock: the bus is not refused for that.
    EXPECT_TRUE(lockBus(node, {(root / "absent").string()}));
    fs::remove_all(root);
}

}  // namespace
}  // namespace vorlix
