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

#include "link/adapter.h"

namespace vorlix::sim {

inline constexpr std::uint8_t kEepromBanks[4] = {0xA0, 0xA2, 0xA4, 0xA6};
inline constexpr std::uint8_t kAddressBank = 0xA6;      // stored camera address lives here
inline constexpr std::uint8_t kAddressOffset = 0x50;
inline constexpr std::uint16_t kHostCommandRegister = 0x0040;
inline constexpr std::uint16_t kBusyBit = 0x8000;

struct Fault {
    std::optional<std::uint32_t> at;     // the N-th transaction of the run, counted from 1
    std::optional<std::uint8_t> slave;   // every transaction to this 8-bit address
    std::uint16_t status = kStatusNack;
};

// Everything the state file holds.
struct SimState {
    bool present = true;
    std::map<std::uint16_t, std::uint16_t> registers;  // unlisted registers read 0
    std::array<std::array<std::uint8_t, 256>, 4> eeprom{};  // banks 0xA0, 0xA2, 0xA4, 0xA6
    unsigned busyReads = 1;  // reads of 0x0040 that still show busy after a host command
    std::vector<Fault> faults;

    // The built-in default camera: plausible registers, trim data present, address 0x70.
    static SimState builtInDefault();
};

// A state file that cannot be read or does not follow the format. what() is one line that
// names the file (and the line, where there is one).
class SimStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

SimState loadSimState(const std::string& path);  // throws SimStateError
void saveSimState(const SimState& state, const std::string& path);  // throws SimStateError
SimState parseSimState(const std::string& json, const std::string& fileName);
std::string formatSimState(const SimState& state);

class SimCamera {
public:
    explicit SimCamera(SimState state = SimState::builtInDefault());

    // One transaction each; slave is the 8-bit address (write form for writes, read form for
    // reads). The returned status is 0 or an adapter status (15 nobody answers, 5 refused, or
    // an injected fault). A failed transaction has no effect and leaves buf untouched.
    std::uint16_t writeTransaction(std::uint8_t slave, const std::uint8_t* bytes, std::size_t count);
    std::uint16_t readTransaction(std::uint8_t slave, std::uint8_t* buf, std::size_t count);
    // Write of the sub-address bytes, repeated start, read of count bytes from slave | 1.
    std::uint16_t writeReadTransaction(std::uint8_t slave, const std::uint8_t* sub,
                                       std::size_t subCount, std::uint8_t* buf, std::size_t count);

    // Power cycle: the camera takes its address from the EEPROM again (0xFF means 0x70) and
    // forgets a pending command header. Registers and EEPROM keep their contents.
    void repower();

    std::uint8_t address() const { return address_; }
    std::uint32_t transactions() const { return transactions_; }
    const SimState& state() const { return state_; }
    SimState& state() { return state_; }
    // Registers that were ever written or listed: what a saved state lists.
    std::uint8_t eeprom(std::uint8_t bank, std::uint8_t offset) const;
    std::uint16_t reg(std::uint16_t address) const;

private:
    // ... implementation detail
    SimState state_;
    std::uint8_t address_ = 0x70;
    std::uint32_t transactions_ = 0;
};

// The seven adapter calls on a SimCamera: one open-to-close cycle is one transaction.
class SimAdapter : public Adapter {
public:
    explicit SimAdapter(SimCamera& camera) : camera_(camera) {}
    // ... the seven calls
private:
    SimCamera& camera_;
};

}  // namespace vorlix::sim
