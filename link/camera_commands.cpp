// The camera's command protocol: a header transaction [code][p1][p2], a pause for reads so
// the camera can fetch the value, then the data phase, all at the camera address. A data phase
// whose header failed is never sent: the camera would take it with no command, or with the
// stale one of an earlier header, and a byte read after it would answer no question of ours.
#include <algorithm>
#include <array>

#include "link/i2c_link.h"

namespace vorlix {

bool I2cLink::header(std::uint8_t camAddr, std::uint8_t code, std::uint8_t p1, std::uint8_t p2) {
    writeSub16Byte(camAddr, code, p1, p2);
    return errorLatch_ == 0;
}

void I2cLink::camWrite8(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2,
                        std::uint8_t value) {
    if (!header(camAddr, kCmdWrite8, p1, p2)) return;
    writeByte(camAddr, value);
}

std::uint16_t I2cLink::camRead8(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2) {
    if (!header(camAddr, kCmdRead8, p1, p2)) return 0;
    pause(kReadPauseMs);
    return readByte(camAddr | 1);
}

void I2cLink::camWrite16(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2, std::uint8_t hi,
                         std::uint8_t lo) {
    if (!header(camAddr, kCmdWrite16, p1, p2)) return;
    writeSub8Byte(camAddr, hi, lo);
}

std::uint16_t I2cLink::camRead16(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2) {
    if (!header(camAddr, kCmdRead16, p1, p2)) return 0;
    pause(kReadPauseMs);
    return readWord(camAddr | 1);
}

// An empty page sends nothing at all: its data phase would have no sub-address byte. Entries
// past kPageEntries are not sent, so a page never runs over the camera's page buffer.
void I2cLink::camWritePage(std::uint8_t camAddr, std::uint8_t bank, std::uint8_t offset,
                           const std::uint16_t* entries, unsigned count) {
    count = std::min(count, kPageEntries);
    if (count == 0) {
        errorLatch_ = 0;
        return;
    }
    if (!header(camAddr, kCmdWritePage, bank, offset)) return;

    std::array<std::uint8_t, kPageEntries - 1> data{};
    for (unsigned i = 1; i < count; ++i) {
        data[i - 1] = static_cast<std::uint8_t>(entries[i]);
    }
    finish(transferSub(camAddr, 1, entries[0] & 0xFF, data.data(), count - 1));
}

}  // namespace vorlix
