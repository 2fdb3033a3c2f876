// The i2c-dev backend on a real adapter with the camera attached. It runs only when
// VORLIX_TEST_I2C_BUS names the bus (VORLIX_TEST_I2C_BUS=/dev/i2c-3); the camera is taken at
// 0x70 unless VORLIX_TEST_I2C_CAMERA gives its 8-bit write address in hex.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "adapters/i2c_dev_adapter.h"

namespace vorlix {
namespace {

std::size_t openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

TEST(HardwareBus, CameraAnswersARegisterReadCommandAndNoDescriptorIsLeftOpen) {
    const char* node = std::getenv("VORLIX_TEST_I2C_BUS");
    if (node == nullptr || *node == '\0') {
        GTEST_SKIP() << "no adapter named: set VORLIX_TEST_I2C_BUS=/dev/i2c-N (and "
                        "VORLIX_TEST_I2C_CAMERA=<hex> if the camera is not at 70) to run "
                        "against a real camera";
    }
    const char* camera = std::getenv("VORLIX_TEST_I2C_CAMERA");
    const auto cam = static_cast<std::uint8_t>(camera ? std::strtoul(camera, nullptr, 16) : 0x70);
    std::vector<std::string> hints;
    I2cDevAdapter adapter(node, linuxSysCalls(),
                          [&](const std::string& line) { hints.push_back(line); });
    const std::size_t descriptorsBefore = openDescriptors();

    // A read of sensor register 0x3000 through the camera: header, the camera's 2 ms, data.
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t p2 = 0x00;
        AdapterHandle h = adapter.open(cam, kOpenTimeout, kOpenSpeed);
        adapter.select(h, cam);
        EXPECT_EQ(adapter.writeSub(h, 2, 0x0330, &p2, 1, 0), kStatusOk) << "command header";
        adapter.close(h);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::uint8_t value[2] = {};
        h = adapter.open(cam | 1, kOpenTimeout, kOpenSpeed);
        EXPECT_EQ(adapter.read(h, value, 0, 2), kStatusOk) << "data phase";
        adapter.close(h);
    }

    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    EXPECT_TRUE(hints.empty()) << hints.front();
}

}  // namespace
}  // namespace vorlix
