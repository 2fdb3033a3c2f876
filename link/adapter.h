#pragma once
// The seven calls of the USB-to-I2C adapter library, in the library's own argument order.
//
// Contract every backend keeps:
// - One transaction is open -> (select, writes and the address probe only) -> exactly one
//   transfer -> close. Handles are never nested and never kept between transactions.
// - open() never fails visibly: a backend that cannot open returns a handle anyway and lets
//   the transfer report the failure through its status.
// - A transfer returns 0 for success; any other value is an adapter status that the link
//   turns into a message for the person (see I2cLink::statusText).
// - Slave addresses are 8-bit, read/write bit included: even for writes, odd for reads.
// - A sub-address of length 2 goes on the bus high byte first; of length 1, its low byte;
//   the data bytes follow in buffer order. A read fills the buffer in arrival order.
#include <cstdint>

namespace vorlix {

using AdapterHandle = std::uintptr_t;

// Adapter statuses that the backends themselves produce.
inline constexpr std::uint16_t kStatusOk = 0;
inline constexpr std::uint16_t kStatusTimeout = 4;
inline constexpr std::uint16_t kStatusNack = 5;
inline constexpr std::uint16_t kStatusBusy = 6;
inline constexpr std::uint16_t kStatusNotPresent = 15;
inline constexpr std::uint16_t kStatusNoAdapter = 22;

// Fixed arguments of the open call; their meaning is the library's business.
inline constexpr std::uint32_t kOpenTimeout = 20000;
inline constexpr std::uint32_t kOpenSpeed = 1000;

// Each call below says when the link makes it and what the backend owes in return.
class Adapter {
public:
    virtual ~Adapter() = default;

    // Ordinal 5: a handle for one slave. Called first in every transaction, with the slave's
    // 8-bit address (the read form for a read, the write form otherwise), kOpenTimeout and
    // kOpenSpeed. Owes a handle that the other calls accept until its close, also when the
    // adapter or the slave cannot be reached: that failure is the transfer's status.
    virtual AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) = 0;
    // Ordinal 13: select the slave. Called at most once, right after open, before a write or
    // the address probe, never before a read. Owes nothing the caller can see.
    virtual void select(AdapterHandle handle, std::uint8_t slave) = 0;
    // Ordinal 7: plain write of count bytes. Called as the transaction's one transfer; reserved
    // is 0. Owes the status: 0 for success, otherwise an adapter status.
    virtual std::uint16_t write(AdapterHandle handle, const std::uint8_t* data,
                                std::uint32_t reserved, std::uint32_t count) = 0;
    // Ordinal 8: sub-address (subLength 1 or 2 bytes) followed by count data bytes, one write.
    // Called as the transaction's one transfer, and as the address probe; reserved is 0.
    // Owes the status, as write.
    virtual std::uint16_t writeSub(AdapterHandle handle, std::uint32_t subLength,
                                   std::uint32_t subAddress, const std::uint8_t* data,
                                   std::uint32_t count, std::uint32_t reserved) = 0;
    // Ordinal 10: plain read of count bytes. Called as the transaction's one transfer, on a
    // handle opened with the read form; reserved is 0. Owes the status, and stores at most
    // count bytes into buffer, in arrival order (the caller presets the buffer and shows it
    // also after a failure).
    virtual std::uint16_t read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t reserved,
                               std::uint32_t count) = 0;
    // Ordinal 11: write the sub-address, repeated start, read count bytes; the handle was
    // opened with the read form of the slave. Called and owed as read.
    virtual std::uint16_t readSub(AdapterHandle handle, std::uint32_t subLength,
                                  std::uint32_t subAddress, std::uint8_t* buffer,
                                  std::uint32_t count, std::uint32_t reserved) = 0;
    // Ordinal 6: close. Called exactly once for every open, after the transfer, whatever it
    // returned. Owes the release of the handle; the handle is not used again.
    virtual void close(AdapterHandle handle) = 0;
};

}  // namespace vorlix
