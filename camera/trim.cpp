// The trim upload and store.
#include "camera/trim.h"

#include <algorithm>

#include "io/hex.h"

namespace vorlix::camera {

namespace {

std::uint8_t hiByte(std::uint16_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t loByte(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

void writeSensor(I2cLink& link, std::uint16_t reg, std::uint8_t hi, std::uint8_t lo) {
    link.writeSub16Word(kSensorWrite, hiByte(reg), loByte(reg), hi, lo);
}

// Issues one host command and waits, without pauses, until its busy bit clears; false when
// it is still busy after kHostCommandBusyReads reads.
bool sensorCommand(I2cLink& link, std::uint16_t command) {
    writeSensor(link, kRegHostCommand, hiByte(command), loByte(command));
    for (int i = 0; i < kHostCommandBusyReads; ++i) {
        const std::uint16_t state =
            link.readSub16Word(kSensorRead, hiByte(kRegHostCommand), loByte(kRegHostCommand));
        if ((state & kHostCommandBusy) == 0) return true;
    }
    return false;
}

}  // namespace

Result<> uploadTrim(I2cLink& link, std::int16_t x, std::int16_t y, const TrimBlock& block,
                    const std::function<void(std::size_t)>& progress) {
    const Result<> stayedBusy{.outcome = Outcome::Failed,
                              .words =
                                  "The sensor stayed busy after a command: the trim upload "
                                  "was stopped, the rest of it was not sent, and the offset "
                                  "was not changed"};
    writeSensor(link, kRegTrimX, 0x00, static_cast<std::uint8_t>(x));
    writeSensor(link, kRegTrimY, 0x00, static_cast<std::uint8_t>(y));
    writeSensor(link, kRegTrimAccess, hiByte(kTrimAccess), loByte(kTrimAccess));
    for (std::size_t i = 0; i < kTrimWindowRegisters.size(); ++i) {
        const std::size_t at = kTrimWindowAt + 2 * i;
        writeSensor(link, kTrimWindowRegisters[i], block[at], block[at + 1]);
    }
    // The last chunk holds only two words; a zero word closes it, and nothing past the end
    // of the block is ever sent.
    std::size_t chunks = 0;
    for (std::size_t k = kTrimParametersAt; k < block.size(); k += kTrimChunkBytes) {
        const std::size_t bytes = std::min(kTrimChunkBytes, block.size() - k);
        std::uint16_t reg = kRegTrimParameters;
        for (std::size_t j = 0; j < bytes; j += 2, reg += 2)
            writeSensor(link, reg, block[k + j], block[k + j + 1]);
        if (bytes < kTrimChunkBytes) writeSensor(link, reg, 0x00, 0x00);
        if (!sensorCommand(link, kCmdLoadParameters)) return stayedBusy;
        if (progress) progress(++chunks);
    }
    if (!sensorCommand(link, kCmdApplyParameters)) return stayedBusy;
    return {};
}

Result<> storeTrim(I2cLink& link, std::uint8_t camAddr, std::int16_t x, std::int16_t y,
                   const WriteGate& mayWrite) {
    Result<> store;
    if (!gatePasses(mayWrite, store)) return store;
    link.camWrite8(camAddr, kTrimBank, kTrimXOffset, static_cast<std::uint8_t>(x));
    bool failed = link.takeError();
    link.camWrite8(camAddr, kTrimBank, kTrimYOffset, static_cast<std::uint8_t>(y));
    failed = link.takeError() || failed;
    if (failed) {
        store.outcome = Outcome::Failed;
        store.words =
            "storing the trim offsets failed: bank a2 offsets 00 and 01 may hold only "
            "part of them";
        return store;
    }
    store.words = "trim stored in bank a2: horizontal " +
                  io::hexByte(static_cast<std::uint8_t>(x)) + ", vertical " +
                  io::hexByte(static_cast<std::uint8_t>(y)) +
                  "; the camera starts with them at its next power-up";
    return store;
}

}  // namespace vorlix::camera
