// Choosing a bus backend by name.
#include <gtest/gtest.h>

#include "link/adapter_registry.h"
#include "tests/link/bench.h"

namespace vorlix {
namespace {

// A backend that remembers the argument it was built with.
BackendInfo recordingBackend(const std::string& name, std::string& lastArg) {
    return BackendInfo{
        name, name + " bus",
        [&lastArg](const std::string& arg, std::string&) -> std::unique_ptr<Adapter> {
            lastArg = arg;
            return std::make_unique<test::RecordingAdapter>();
        },
        [] { return std::vector<std::string>{}; }};
}

TEST(AdapterRegistry, SplitsNameFromArgumentAtTheFirstColon) {
    AdapterRegistry registry;
    std::string arg;
    registry.add(recordingBackend("i2c", arg));
    std::string error;
    EXPECT_NE(registry.create("i2c:/dev/i2c-3", error), nullptr);
    EXPECT_EQ(arg, "/dev/i2c-3");
    EXPECT_NE(registry.create("i2c", error), nullptr);
    EXPECT_EQ(arg, "");
    EXPECT_NE(registry.create("i2c:C:\\x.dll", error), nullptr);
    EXPECT_EQ(arg, "C:\\x.dll");
    EXPECT_EQ(error, "");
}

TEST(AdapterRegistry, UnknownNameIsAnsweredWithTheNamesThatExist) {
    AdapterRegistry registry;
    std::string error;
    EXPECT_EQ(registry.create("sim", error), nullptr);
    EXPECT_EQ(error, "unknown bus \"sim\" (available: none)");

    std::string arg;
    registry.add(recordingBackend("sim", arg));
    registry.add(recordingBackend("i2c", arg));
    registry.add(recordingBackend("sim", arg));
    EXPECT_EQ(registry.backends().size(), 2u);
    EXPECT_EQ(registry.create("usb:3", error), nullptr);
    EXPECT_EQ(error, "unknown bus \"usb\" (available: sim, i2c)");
    EXPECT_EQ(registry.find("usb"), nullptr);
    ASSERT_NE(registry.find("i2c"), nullptr);
    EXPECT_EQ(registry.find("i2c")->summary, "i2c bus");
}

}  // namespace
}  // namespace vorlix
