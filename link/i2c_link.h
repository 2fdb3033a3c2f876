#pragma once
// I2cLink: the tool's only way onto the bus. Each primitive is exactly one adapter
// transaction (open, select for writes, one transfer, close); a failing transfer is told to
// the person at once and sets the error latch, and the caller goes on with its next step.
// A handler builds one I2cLink on its stack for one action and drops it afterwards.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/adapter.h"
#include "link/notifier.h"
#include "link/pacer.h"

namespace vorlix {

// What a link needs from its surroundings; the dialog owns all three for the whole run.
struct Bus {
    Adapter& adapter;
    Pacer& pacer;
    Notifier& notifier;
};

// Camera command codes: the first byte of every command header.
inline constexpr std::uint8_t kCmdWrite8 = 0x00;
inline constexpr std::uint8_t kCmdRead8 = 0x01;
inline constexpr std::uint8_t kCmdWrite16 = 0x02;
inline constexpr std::uint8_t kCmdRead16 = 0x03;
inline constexpr std::uint8_t kCmdWritePage = 0x24;

inline constexpr std::uint8_t kCameraDefaultAddress = 0x70;
// The search asks the even addresses up to this one; its answer when nobody replied is the
// next even address.
inline constexpr std::uint16_t kLastSearchedAddress = 0xF8;
inline constexpr std::uint16_t kNoCameraFound = kLastSearchedAddress + 2;
inline constexpr unsigned kReadPauseMs = 2;  // inside every camera read and before each probe
inline constexpr unsigned kPageEntries = 16;

// Direct sensor path.
inline constexpr std::uint8_t kSensorWrite = 0xBA;
inline constexpr std::uint8_t kSensorRead = 0xBB;

// The camera's configuration EEPROM: four banks of 256 bytes, each addressed by a write form
// 0xA0, 0xA2, 0xA4, 0xA6 and a read form one more.
inline constexpr std::size_t kBankSize = 256;
inline constexpr std::size_t kBankCount = 4;
inline constexpr unsigned kEepromWritePauseMs = 20;  // after every EEPROM write
constexpr std::uint8_t bankWriteForm(std::size_t k) {
    return static_cast<std::uint8_t>(0xA0 + 2 * k);
}
constexpr std::uint8_t bankReadForm(std::size_t k) {
    return static_cast<std::uint8_t>(bankWriteForm(k) | 1);
}

class I2cLink {
public:
    explicit I2cLink(const Bus& bus) : bus_(bus) {}

    // --- The seven primitives: one transaction each. -------------------------------------
    void writeByte(std::uint8_t slave, std::uint8_t b);
    void writeSub8Byte(std::uint8_t slave, std::uint8_t s, std::uint8_t b);
    void writeSub16Byte(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo, std::uint8_t b);
    void writeSub16Word(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo, std::uint8_t b1,
                        std::uint8_t b2);
    // Reads return the big-endian value of what the adapter stored, also after a failure;
    // their buffers are preset to zero so a failed read never shows stale memory.
    std::uint16_t readSub16Word(std::uint8_t slave, std::uint8_t hi, std::uint8_t lo);
    std::uint16_t readByte(std::uint8_t slave);
    std::uint16_t readWord(std::uint8_t slave);

    // True if the most recent primitive failed; clears the latch.
    bool takeError();

    // An operation whose steps are worthless (or harmful) after one of them failed turns this
    // on before its first transfer. From the first failed transfer on (after its box), every
    // later primitive sends nothing, shows no box, sets the latch and returns 0, and pauses
    // are skipped, so the operation can end at the next check of failed() without a cascade
    // of boxes.
    void stopAtFirstFailure() { stopAtFirstFailure_ = true; }
    // True once a transfer failed while stopAtFirstFailure is on; it stays true.
    bool failed() const { return stopped_; }
    // Shows the status text in a modal box and sets the latch. Returns the box's result (1).
    int reportStatus(std::uint16_t status);
    // The text for an adapter status; " error" for every status without its own text.
    static std::string_view statusText(std::uint16_t status);

    // --- Camera commands: a header transaction [code][p1][p2] to the camera address, a
    // 2 ms pause for reads, then the data phase. A command whose header failed (its one box
    // shown) sends no pause and no data phase, reads return 0, and the latch is left set: the
    // command failed as a whole, and callers that stop at a failed command stop here too.
    // Otherwise the latch tells the data phase's outcome. ----------------------------------
    void camWrite8(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2, std::uint8_t value);
    std::uint16_t camRead8(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2);
    void camWrite16(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2, std::uint8_t hi,
                    std::uint8_t lo);
    std::uint16_t camRead16(std::uint8_t camAddr, std::uint8_t p1, std::uint8_t p2);
    // One EEPROM page from offset on: the low byte of entries[0] travels as the data phase's
    // one-byte sub-address and the low bytes of entries[1..count-1] follow it, so the bus
    // carries count bytes. count is at most kPageEntries.
    void camWritePage(std::uint8_t camAddr, std::uint8_t bank, std::uint8_t offset,
                      const std::uint16_t* entries, unsigned count);

    // Searches 0x70, then 0x00, 0x02 ... 0xF8 with silent probes, never the sensor's 0xBA;
    // returns the first address that acknowledged, or kNoCameraFound after one box.
    std::uint16_t findCamera();

    // A fixed pause through the run's pacer; none once a stopping link has failed.
    void pause(unsigned ms) {
        if (!stopped_) bus_.pacer.sleepMs(ms);
    }

private:
    // Clears the latch, opens a handle for the slave and, for writes, selects it.
    void openHandle(std::uint8_t slave, bool selectSlave);
    // Open, select, ordinal 8 with a sub-address, close; returns the status without reporting.
    std::uint16_t transferSub(std::uint8_t slave, std::uint32_t subLength, std::uint32_t subAddress,
                              const std::uint8_t* data, std::uint32_t count);
    void finish(std::uint16_t status);
    // True (with the latch set) when a stopping link has failed: the primitive sends nothing.
    bool skip();
    // The header of a camera command; false (the latch set) when it failed.
    bool header(std::uint8_t camAddr, std::uint8_t code, std::uint8_t p1, std::uint8_t p2);
    // One silent address probe: the header of an 8-bit read of bank 0xA0 offset 0xFE.
    std::uint16_t probe(std::uint8_t candidate);

    Bus bus_;
    AdapterHandle adapterHandle_ = 0;
    std::uint8_t errorLatch_ = 0;
    bool stopAtFirstFailure_ = false;
    bool stopped_ = false;
};

}  // namespace vorlix
