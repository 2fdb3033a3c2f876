// Choosing a bus backend by name.
#include <gtest/gtest.h>

#include "link/adapter_registry.h"
#include "tests/support/bench.h"

namespace vorlix {
namespace {

// A backend that remembers what it was built with.
BackendInfo recordingBackend(const std::string& name, BackendRequest& last,
                             BackendTraits traits = {}) {
    BackendInfo info{name, name + " bus",
                     [&last](const BackendRequest& request) -> io::Expected<OpenedBus> {
                         last = request;
                         return OpenedBus{std::make_unique<test::RecordingAdapter>()};
                     },
                     [] { return std::vector<std::string>{}; }};
    info.traits = traits;
    return info;
}

TEST(AdapterRegistry, SplitsNameFromArgumentAtTheFirstColon) {
    AdapterRegistry registry;
    BackendRequest last;
    registry.add(recordingBackend("i2c", last));
    EXPECT_NE(registry.create("i2c:/dev/i2c-3", "")->adapter, nullptr);
    EXPECT_EQ(last.arg, "/dev/i2c-3");
    EXPECT_NE(registry.create("i2c", "s.json")->adapter, nullptr);
    EXPECT_EQ(last.arg, "");
    EXPECT_EQ(last.statePath, "s.json");
    EXPECT_NE(registry.create("i2c:C:\\x.dll", "")->adapter, nullptr);
    EXPECT_EQ(last.arg, "C:\\x.dll");
}

TEST(AdapterRegistry, UnknownNameIsAnsweredWithTheNamesThatExistAndHasNoTraits) {
    AdapterRegistry registry;
    EXPECT_EQ(registry.create("sim", "").why(), "unknown bus \"sim\" (available: none)");

    BackendRequest last;
    registry.add(recordingBackend("sim", last, {.simulated = true, .virtualTime = true}));
    registry.add(recordingBackend("i2c", last));
    registry.add(recordingBackend("sim", last, {.simulated = true}));
    EXPECT_EQ(registry.backends().size(), 2u);
    EXPECT_EQ(registry.create("usb:3", "").why(), "unknown bus \"usb\" (available: sim, i2c)");
    EXPECT_EQ(registry.find("usb"), nullptr);
    ASSERT_NE(registry.find("i2c"), nullptr);
    EXPECT_EQ(registry.find("i2c")->summary, "i2c bus");

    // Traits are the backend's, found by the name before the colon; the second "sim" won.
    EXPECT_TRUE(registry.traitsOf("sim:x").simulated);
    EXPECT_FALSE(registry.traitsOf("sim").virtualTime);
    EXPECT_FALSE(registry.traitsOf("i2c:/dev/i2c-3").simulated);
    EXPECT_FALSE(registry.traitsOf("usb").simulated);
}

}  // namespace
}  // namespace vorlix
