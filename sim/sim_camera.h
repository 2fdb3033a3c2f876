#pragma once
// The simulated camera module on a simulated bus: the camera's command protocol at its
// power-up address, the four 256-byte EEPROM banks behind it, one 16-bit sensor register file
// reached both through the camera and directly at 0xBA/0xBB, the sensor's host-command
// register 0x0040 with its busy bit, absence, and injected faults.
//
// SimCamera works on whole bus transactions (bytes as they travel on the wire), so any
// transport can drive it: SimAdapter below turns the adapter's seven calls into transactions,
// and a fake kernel can turn i2c_msg arrays into the same transactions. It is never more
// forgiving than hardware: a data phase without a command header, a page or a read of the
// wrong length are refused with status 5, and an offset past 0xFF wraps within its bank.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/expected.h"
#include "link/adapter.h"

namespace vorlix::sim {

// The module's own memory map: its bank forms, where it keeps its address byte, its host
// command register, and (in sim_camera.cpp and default_state.cpp) its page length, bank range
// and registers. They are written here again on purpose rather than taken from the camera map
// in camera/: a simulator that shared a wrong fact with the tool would agree with it and could
// never catch it. Only what the bus itself speaks (the adapter, the command codes, the default
// address) comes from link/, the one layer below.
inline constexpr std::uint8_t kEepromBanks[4] = {0xA0, 0xA2, 0xA4, 0xA6};
inline constexpr std::uint8_t kAddressBank = 0xA6;  // stored camera address lives here
inline constexpr std::uint8_t kAddressOffset = 0x50;
inline constexpr std::uint16_t kHostCommandRegister = 0x0040;
inline constexpr std::uint16_t kBusyBit = 0x8000;

struct Fault {
    std::optional<std::uint32_t> at;     // the N-th transaction of the run, counted from 1
    std::optional<std::uint8_t> slave;   // every transaction to this 8-bit address
    std::uint16_t status = kStatusNack;  // kStatusOk: the transaction goes through as usual
    // Not 0: this signal is raised in the program itself while the transaction is on the bus,
    // as if the person pressed Ctrl-C (2) or the system asked the program to end (1, 15) at
    // exactly that moment; 9 kills the program there, as a crash or a power cut of the PC
    // would: nothing is saved, and nothing it has not written out yet reaches its files.
    int signal = 0;
};

// The signals a fault may raise: those that end a run. Their numbers are the same on every
// platform that has them; SIGHUP only where it exists, and where there is no SIGKILL, 9 ends
// the process at once with the exit status a killed one has (137).
constexpr bool endsRun(int signal) {
    return signal == 1 || signal == 2 || signal == 9 || signal == 15;
}

struct ScriptedModule;

// Everything the state file holds.
struct SimState {
    bool present = true;
    std::map<std::uint16_t, std::uint16_t> registers;       // unlisted registers read 0
    std::array<std::array<std::uint8_t, 256>, 4> eeprom{};  // banks 0xA0, 0xA2, 0xA4, 0xA6
    unsigned busyReads = 1;  // reads of 0x0040 that still show busy after a host command
    std::vector<Fault> faults;
    // A bench that changes modules: each is put in the socket after the one before it was
    // taken out, in this order. While one is in, it is the camera on the bus (its own EEPROM,
    // registers and faults); before the first, between two and after the last, the keys above
    // answer (a bench whose socket is empty: "present": false).
    std::vector<ScriptedModule> modules;

    // The built-in default camera: plausible registers, trim data present, address 0x70.
    static SimState builtInDefault();
};

// One module of a scripted bench: the socket stays empty for gap transactions after the
// module before it was taken out (after the run's start, for the first), then this module
// answers for stays transactions (at least 1) and is taken out. Its faults' "at" counts from
// its own first transaction; the top level's faults count from the run's start and apply
// whatever the socket holds. Putting it in or taking it out is a power cycle: the camera takes
// its address from the EEPROM now in the socket. A module lists no modules of its own.
struct ScriptedModule {
    std::uint64_t gap = 0;
    std::uint64_t stays = 1;
    SimState state;
};

// A state file that cannot be read or does not follow the format fails with one line that
// names the file (and the line, where there is one).
io::Expected<SimState> loadSimState(const std::string& path);
io::Expected<> saveSimState(const SimState& state, const std::string& path);
io::Expected<SimState> parseSimState(const std::string& json, const std::string& fileName);
std::string formatSimState(const SimState& state);

// How the module answers, transaction by transaction:
// - Every transaction counts, failed ones included. Injected faults come first (a fault with
//   both keys needs both to match; a slave fault on a write-then-read matches either of its two
//   addresses; a fault's signal is raised before its status is answered, and a fault without
//   a status lets the later faults and the devices answer), then absence (status 15
//   everywhere), then the devices. An address that no device answers in that form (writes at
//   an odd address, reads at an even one included) fails with 15. Should the camera's address be
//   0xBA, the camera answers there, not the sensor.
// - Camera, writes at A: a write of no bytes is acknowledged and changes nothing. Three bytes
//   starting with a command code are a header and replace any pending one. Anything else is
//   the data phase of the pending header: [v] for 0x00, [hi][lo] for 0x02, sixteen bytes for
//   0x24; the wrong length, no pending header, a read command's header or a bank outside
//   0xA0..0xA7 (bit 0 ignored) is refused with 5.
// - Camera, reads at A|1: one byte after a 0x01 header, two (high byte first) after 0x03;
//   anything else is refused with 5. A write-then-read to the camera is taken only when its
//   write part is a header; the header stays pending only if the read part succeeds.
// - A pending header is consumed only by a data phase that succeeds, so a refused data phase
//   can be retried; a repower forgets it.
// - Sensor: every write at 0xBA is acknowledged, only four-byte writes [reg hi][reg lo][value
//   hi][value lo] change a register. At 0xBB it answers only a write-then-read of a two-byte
//   register address and a two-byte read; a plain read is refused with 5.
// - Register 0x0040: bit 15 is the busy flag. A write (on either path) stores the value
//   without bit 15 and the next busyReads reads (either path) show bit 15 set; afterwards
//   bit 15 reads 0. The countdown is not part of the saved state; a repower ends it.
// - The stored address byte (bank 0xA6 offset 0x50) is read at power-up only; 0xFF means
//   0x70, and bit 0 of any other value is ignored (it is the read/write bit).
class SimCamera {
public:
    explicit SimCamera(SimState state = SimState::builtInDefault());

    // One transaction each; slave is the 8-bit address (write form for writes, read form for
    // reads). The returned status is 0 or an adapter status (15 nobody answers, 5 refused, or
    // an injected fault). A failed transaction has no effect and leaves buf untouched.
    std::uint16_t writeTransaction(std::uint8_t slave, const std::uint8_t* bytes,
                                   std::size_t count);
    std::uint16_t readTransaction(std::uint8_t slave, std::uint8_t* buf, std::size_t count);
    // Write of the sub-address bytes, repeated start, read of count bytes from slave | 1.
    std::uint16_t writeReadTransaction(std::uint8_t slave, const std::uint8_t* sub,
                                       std::size_t subCount, std::uint8_t* buf, std::size_t count);

    // Power cycle: the camera takes its address from the EEPROM again (0xFF means 0x70) and
    // forgets a pending command header. Registers and EEPROM keep their contents.
    void repower();

    std::uint8_t address() const { return address_; }
    // The scripted module in the socket (an index into state().modules), or none.
    std::optional<std::size_t> moduleIn() const { return in_; }
    std::uint32_t transactions() const { return transactions_; }
    const SimState& state() const { return state_; }
    SimState& state() { return state_; }
    // state().registers holds every register that was ever written or listed: what a saved
    // state lists. With scripted modules, state() is the whole bench (each module as the run
    // left it); the accessors below and the bus see the camera in the socket.
    // A byte of a bank, named by its write or read form (0xA0..0xA7); throws
    // std::out_of_range for any other bank.
    std::uint8_t eeprom(std::uint8_t bank, std::uint8_t offset) const;
    // The stored value of a register (0 when unlisted), without the busy bit's countdown.
    std::uint16_t reg(std::uint16_t address) const;

private:
    // A command header waiting for its data phase.
    struct Header {
        std::uint8_t code;
        std::uint8_t p1;
        std::uint8_t p2;
    };

    // Counts the transaction and answers for the whole bus before any device sees it:
    // injected faults, then absence. 0 lets the transaction through.
    std::uint16_t admit(std::uint8_t writeForm, std::uint8_t readForm);
    // Puts the scripted modules in and takes them out as the count of transactions says.
    void followScript();
    // The camera in the socket: a scripted module's state, or the top level's.
    SimState& live() { return in_ ? state_.modules[*in_].state : state_; }
    const SimState& live() const { return in_ ? state_.modules[*in_].state : state_; }
    std::uint16_t cameraWrite(const std::uint8_t* bytes, std::size_t count);
    std::uint16_t cameraRead(std::uint8_t* buf, std::size_t count);
    std::uint16_t sensorWriteRead(const std::uint8_t* sub, std::size_t subCount, std::uint8_t* buf,
                                  std::size_t count);
    void writeRegister(std::uint16_t address, std::uint16_t value);
    std::uint16_t readRegister(std::uint16_t address);
    std::uint8_t& eepromByte(std::uint8_t bank, std::uint8_t offset);

    SimState state_;
    std::uint8_t address_ = 0x70;
    std::uint32_t transactions_ = 0;
    std::optional<Header> pending_;
    unsigned busyLeft_ = 0;          // reads of 0x0040 that will still show the busy bit
    std::optional<std::size_t> in_;  // the scripted module in the socket
    std::size_t next_ = 0;           // the scripted module to put in next
    std::uint64_t insertedAt_ = 0;   // the first transaction of the module in the socket
    std::uint64_t emptiedAt_ = 1;    // the first transaction since the socket was emptied
};

// The seven adapter calls on a SimCamera: one open-to-close cycle is one transaction.
// Handles are never 0; a transfer on a handle that is not open fails with kStatusNoAdapter and
// reaches no device. Select has no effect: the handle already names the slave.
class SimAdapter : public Adapter {
public:
    explicit SimAdapter(SimCamera& camera) : camera_(camera) {}

    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override;
    void select(AdapterHandle handle, std::uint8_t slave) override;
    std::uint16_t write(AdapterHandle handle, const std::uint8_t* data, std::uint32_t reserved,
                        std::uint32_t count) override;
    std::uint16_t writeSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                           const std::uint8_t* data, std::uint32_t count,
                           std::uint32_t reserved) override;
    std::uint16_t read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t reserved,
                       std::uint32_t count) override;
    std::uint16_t readSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                          std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t reserved) override;
    void close(AdapterHandle handle) override;

private:
    SimCamera& camera_;
    std::map<AdapterHandle, std::uint8_t> open_;  // handle -> slave it was opened for
    AdapterHandle lastHandle_ = 0;
};

}  // namespace vorlix::sim
