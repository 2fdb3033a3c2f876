#pragma once
// The adapter's seven calls on a Linux I2C device node (/dev/i2c-N), for USB-to-I2C adapters
// with a kernel driver (CP2112, MCP2221, FT260, i2c-tiny-usb, ...).
//
// One transaction is one open of the node: open() opens it and checks that the adapter does
// plain I2C transfers, the transfer is one I2C_RDWR, close() closes it. Every transfer carries
// the 7-bit address in its messages, so the descriptor holds no slave of its own and the same
// path serves writes, reads and the repeated-start pair alike. A plain write to a read-form
// (odd) address or a plain read from a write-form (even) one sends nothing and reports 15.
//
// Kernel errors become adapter statuses (ETIMEDOUT 4; EREMOTEIO, EIO, EPROTO and a short
// transfer 5; EAGAIN, EBUSY 6; ENXIO 15; a missing, vanished or forbidden node 22; EOPNOTSUPP
// and EINVAL 10; anything else 5). A node that does not exist, refuses us, is no I2C bus or
// cannot do plain I2C also gives the person one hint line saying what to do, once per run.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "adapters/i2c_sys_calls.h"
#include "link/adapter.h"

namespace vorlix {

// "unknown command": the adapter refused the form of a transfer.
inline constexpr std::uint16_t kStatusUnknownCommand = 10;

// A bus named by what does not change ("usb=1-2", "serial=0001A2B3"), and the i2c-dev class
// folder that describes the buses there are.
struct I2cStableName {
    std::string name;
    std::string sysClassDir;
};

class I2cDevAdapter : public Adapter {
public:
    // A bus given a stable name uses its node only while the name selects that node: once the
    // adapter is pulled out, another bus can take its number, and a transaction on that node,
    // opened, reaches nothing (it reports the adapter missing, with a hint once).
    I2cDevAdapter(std::string node, SysCalls& sys, HintFn hint,
                  std::optional<I2cStableName> stableName = std::nullopt);
    ~I2cDevAdapter() override;

    // From the next transaction on, the bus is node (the adapter was put back in and got a
    // new number); its hints are given again, once each.
    void useNode(std::string node);

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
    // One open-to-close cycle. A transaction whose node could not be used keeps the status
    // its transfer will report instead of a descriptor.
    struct Transaction {
        int fd = -1;
        std::uint16_t failure = kStatusOk;
        std::uint8_t slave = 0;
    };
    enum class Hint { Missing, Permission, NotI2cNode, NoPlainI2c, AnotherBus };

    Transaction* find(AdapterHandle handle);
    std::uint16_t openFailure(int err);
    std::string notI2cNodeHint() const;
    // The failure of a transaction whose node is open as fd, kStatusOk when the node is a bus
    // the name (if any) still selects and that does plain I2C.
    std::uint16_t checkOpened(int fd);
    void hintOnce(Hint kind, const std::string& line);
    // One I2C_RDWR of the transaction's messages, addressed to its slave.
    std::uint16_t transfer(AdapterHandle handle, i2c_msg* msgs, unsigned count);

    std::string node_;
    SysCalls& sys_;
    HintFn hint_;
    std::optional<I2cStableName> stableName_;
    std::set<Hint> hinted_;
    std::map<AdapterHandle, Transaction> transactions_;
    AdapterHandle nextHandle_ = 1;
};

// What the person is told of a node that does not exist, and what to do.
std::string missingNodeText(const std::string& node);

// Adapter status for a kernel error number (positive errno).
std::uint16_t statusForErrno(int err);

}  // namespace vorlix
