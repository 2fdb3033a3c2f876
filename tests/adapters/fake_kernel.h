#pragma once
// A fake kernel for the i2c-dev backend: device nodes with their permissions and adapter
// functionality, an I2C_RDWR that checks and interprets the i2c_msg arrays the way the i2c
// core and a combined-transfer adapter do, and a log of every call in the order it came.
//
// The devices behind the bus are pluggable and see whole byte-level transactions, so the same
// fake kernel can carry any simulated device, the simulated camera included.
#include <linux/i2c.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "adapters/i2c_sys_calls.h"

namespace vorlix::test {

// What sits on the bus. Each call is one transaction to a 7-bit address; the result is 0 or
// -errno as the adapter's driver would report it.
class BusDevices {
public:
    virtual ~BusDevices() = default;
    virtual int write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) = 0;
    virtual int read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) = 0;
    // Write, repeated start, read: one transaction to the same address.
    virtual int writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes,
                          std::uint8_t* buffer, std::size_t count) = 0;
};

// A register-file device at one address: a write sets its pointer from the first
// pointerBytes bytes (high byte first) and stores the rest from there on; a read returns bytes
// from the pointer on. Any other address is not acknowledged (ENXIO).
class MemoryDevice : public BusDevices {
public:
    MemoryDevice(std::uint16_t addr7, unsigned pointerBytes)
        : addr7_(addr7), pointerBytes_(pointerBytes), memory_(0x10000) {}

    int write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) override;
    int read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) override;
    int writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes, std::uint8_t* buffer,
                  std::size_t count) override;

    std::uint8_t& at(std::uint16_t address) { return memory_[address]; }

private:
    std::uint16_t addr7_;
    unsigned pointerBytes_;
    std::vector<std::uint8_t> memory_;
    std::uint16_t pointer_ = 0;
};

struct FakeNode {
    int openErrno = 0;
    unsigned long funcs = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
    int funcsErrno = 0;
    gid_t gid = 0;
    bool i2cDev = true;  // false: a regular file or another device at that path
};

class FakeKernel : public SysCalls {
public:
    explicit FakeKernel(BusDevices& devices) : devices_(devices) {}

    std::map<std::string, FakeNode> nodes;
    std::map<gid_t, std::string> groups;
    // The groups this process has, and those the group database lists the user in.
    std::set<gid_t> processGroups;
    std::set<gid_t> listedGroups;
    // The next I2C_RDWR fails with this errno (once), or stops after this many messages.
    std::optional<int> failNextTransfer;
    std::optional<int> shortNextTransfer;

    // One line per call: "open /dev/i2c-3 = 3", "funcs 3", "rdwr 3 W38 03 30 12, R38 2",
    // "close 3". Message bytes are lower-case hex; reads show their length.
    std::vector<std::string> log;
    const std::set<int>& openFds() const { return openFds_; }

    int checkNode(const std::string& path) override;
    int open(const std::string& path) override;
    void close(int fd) override;
    int functionality(int fd, unsigned long& funcs) override;
    int transfer(int fd, i2c_msg* msgs, unsigned count) override;
    std::optional<gid_t> nodeGroup(const std::string& path) override;
    std::optional<std::string> groupName(gid_t gid) override;
    int accessReadWrite(const std::string& path) override;
    bool processInGroup(gid_t gid) override { return processGroups.count(gid) != 0; }
    bool userListedInGroup(gid_t gid) override { return listedGroups.count(gid) != 0; }

private:
    int deliver(const i2c_msg* msgs, unsigned count);

    BusDevices& devices_;
    std::set<int> openFds_;
    std::map<int, std::string> fdNodes_;
};

}  // namespace vorlix::test
