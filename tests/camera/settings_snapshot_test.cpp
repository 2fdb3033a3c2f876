// The settings snapshot as bytes: which records, in which order, from which values.
#include "camera/settings_snapshot.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlix::camera {
namespace {

std::vector<std::uint8_t> bytesOf(const SettingsInput& in) {
    std::vector<std::uint8_t> bytes;
    for (const SettingsRecord& r : settingsScript(in))
        for (std::uint8_t b : recordBytes(r)) bytes.push_back(b);
    return bytes;
}

// The four bytes of the record that starts at byte `at`.
std::vector<std::uint8_t> recordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)};
}

using B = std::vector<std::uint8_t>;

TEST(SettingsScript, ShortestSnapshotHoldsSixRecords) {
    SettingsInput in;
    in.projection = 0x0003;
    in.companion = 0x1202;
    in.autoWhiteBalance = true;
    in.sharpReg = 0x3800;
    in.aexRef = 0x50;
    in.shutter = 0x120;  // not stored for automatic exposure
    EXPECT_EQ(bytesOf(in), (B{0x30, 0x1c, 0x00, 0x03, 0x32, 0x54, 0x12, 0x02,     // projection
                              0x4f, 0x02, 0x00, 0x00,                             // overlays off
                              0x32, 0x6c, 0x38, 0x00,                             // sharpness
                              0xa8, 0x04, 0x00, 0x0f, 0xa8, 0x12, 0x00, 0x50}));  // exposure
    // Only the record of disabled overlays leaves the progress bar alone.
    for (const SettingsRecord& r : settingsScript(in))
        EXPECT_EQ(r.advancesProgress, r.reg != 0x4F02) << std::hex << r.reg;
}

TEST(SettingsScript, LongestSnapshotPlacesEveryGroup) {
    SettingsInput in;
    for (std::size_t k = 0; k < in.whiteBalance.size(); ++k)
        in.whiteBalance[k] = static_cast<std::uint16_t>(0x1100 * (k % 8) + k);
    in.overlaysEnabled = true;
    in.overlayShown = {false, true, false, false};
    in.manualExposure = true;
    in.shutter = 0x0240;
    in.aexRef = 0x1A5;
    in.sharpReg = -1;  // the low 16 bits are what the sensor register held
    const B bytes = bytesOf(in);
    ASSERT_EQ(bytes.size(), 156u);
    EXPECT_EQ(recordAt(bytes, 8), (B{0xac, 0x00, 0x00, 0x00}));
    EXPECT_EQ(recordAt(bytes, 12), (B{0xac, 0x02, 0x11, 0x01}));   // m_p2wRegs[1]
    EXPECT_EQ(recordAt(bytes, 76), (B{0xac, 0x3a, 0x11, 0x11}));   // m_p2wRegs[17]
    EXPECT_EQ(recordAt(bytes, 116), (B{0xac, 0x4e, 0x33, 0x1b}));  // m_p2wRegs[27]
    const B overlays(bytes.begin() + 120, bytes.begin() + 140);
    EXPECT_EQ(overlays, (B{0x4f, 0x02, 0x80, 0x00, 0x4f, 0x08, 0x00, 0x00, 0x4f, 0x0a,
                           0x80, 0x01, 0x4f, 0x0c, 0x00, 0x02, 0x4f, 0x0e, 0x00, 0x03}));
    EXPECT_EQ(recordAt(bytes, 140), (B{0x32, 0x6c, 0xff, 0xff}));
    const B exposure(bytes.begin() + 144, bytes.end());
    EXPECT_EQ(exposure,
              (B{0xa8, 0x04, 0x00, 0x00, 0x30, 0x12, 0x02, 0x40, 0xa8, 0x12, 0x01, 0xa5}));
}

TEST(SettingsScript, ASnapshotThatDoesNotFitIsRefusedWithTheNumbers) {
    EXPECT_EQ(settingsFitProblem(0xE8, 24), "");
    EXPECT_EQ(settingsFitProblem(0x64, 156), "");
    EXPECT_EQ(settingsFitProblem(0xE9, 24),
              "Settings need 24 bytes; address offset 0xe9 leaves only 23. Nothing was written.");
    EXPECT_EQ(settingsFitProblem(0x65, 156),
              "Settings need 156 bytes; address offset 0x65 leaves only 155. Nothing was "
              "written.");
    EXPECT_EQ(settingsFitProblem(0xFF, 24),
              "Settings need 24 bytes; address offset 0xff leaves only 1. Nothing was written.");
}

}  // namespace
}  // namespace vorlix::camera
