#include "adapters/i2c_dev_adapter.h"

#include <linux/i2c.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "adapters/i2c_buses.h"
#include "adapters/i2c_permission.h"
#include "link/sub_address.h"

namespace vorlix {
namespace {

// The kernel takes at most this many bytes in one message; a longer request is refused as a
// whole rather than cut down to the message's 16-bit length field.
constexpr std::uint32_t kMaxMessageBytes = 8192;

std::uint16_t addr7(std::uint8_t slave) {
    return slave >> 1;
}

// The adapter calls carry sub-addresses of one or two bytes; other lengths have no form here.
bool knownSubLength(std::uint32_t subLength) {
    return subLength == 1 || subLength == 2;
}

// Messages are addressed when the transfer runs, from the transaction's slave.
i2c_msg writeMessage(std::vector<std::uint8_t>& bytes) {
    return i2c_msg{0, 0, static_cast<std::uint16_t>(bytes.size()), bytes.data()};
}

i2c_msg readMessage(std::uint8_t* buffer, std::uint32_t count) {
    return i2c_msg{0, I2C_M_RD, static_cast<std::uint16_t>(count), buffer};
}

}  // namespace

std::uint16_t statusForErrno(int err) {
    switch (err) {
        case ETIMEDOUT:
            return kStatusTimeout;
        case EAGAIN:  // arbitration lost: another master held the bus
        case EBUSY:
            return kStatusBusy;
        case ENXIO:  // the address phase was not acknowledged
            return kStatusNotPresent;
        case ENOENT:
        case ENODEV:
        case ESHUTDOWN:
        case EACCES:
        case EPERM:
            return kStatusNoAdapter;
        case EOPNOTSUPP:  // the adapter cannot do a transfer of this shape or size
        case EINVAL:
            return kStatusUnknownCommand;
        default:  // EREMOTEIO, EIO, EPROTO: the slave did not take part as it should
            return kStatusNack;
    }
}

std::string missingNodeText(const std::string& node) {
    return node +
           " does not exist: plug in the adapter, load the i2c-dev module (sudo modprobe "
           "i2c-dev), or choose a bus from vorlix --bus list";
}

I2cDevAdapter::I2cDevAdapter(std::string node, SysCalls& sys, HintFn hint,
                             std::optional<I2cStableName> stableName)
    : node_(std::move(node)),
      sys_(sys),
      hint_(std::move(hint)),
      stableName_(std::move(stableName)) {}

void I2cDevAdapter::useNode(std::string node) {
    node_ = std::move(node);
    hinted_.clear();
}

I2cDevAdapter::~I2cDevAdapter() {
    for (const auto& [handle, transaction] : transactions_) {
        if (transaction.fd >= 0) sys_.close(transaction.fd);
    }
}

AdapterHandle I2cDevAdapter::open(std::uint8_t slave, std::uint32_t, std::uint32_t) {
    // The timeout and speed arguments have no counterpart here: the kernel driver owns the
    // adapter's clock and timeouts.
    Transaction transaction;
    transaction.slave = slave;
    // A path that is there but no I2C bus node (a regular file, another device) is never
    // opened: opening a file read-write is no way to find out what it is. A path that cannot
    // be looked at is left to open, which says why (missing, no permission) with its hint.
    const int fd = sys_.checkNode(node_) == -ENOTTY ? -ENOTTY : sys_.open(node_);
    if (fd == -ENOTTY) {
        transaction.failure = kStatusNoAdapter;
        hintOnce(Hint::NotI2cNode, notI2cNodeHint());
    } else if (fd < 0) {
        transaction.failure = openFailure(-fd);
    } else {
        transaction.fd = fd;
        transaction.failure = checkOpened(fd);
    }
    const AdapterHandle handle = nextHandle_++;
    transactions_.emplace(handle, transaction);
    return handle;
}

std::uint16_t I2cDevAdapter::checkOpened(int fd) {
    // The name is looked at once the node is open: a bus it selects now was there before the
    // open, so the descriptor is on that bus, or on one that has gone since and takes nothing.
    if (stableName_ && !i2cBusNamedBy(stableName_->name, node_, stableName_->sysClassDir)) {
        hintOnce(Hint::AnotherBus, node_ + " is no longer the bus of i2c:" + stableName_->name +
                                       ": its adapter was pulled out; nothing is sent there");
        return kStatusNoAdapter;
    }
    unsigned long funcs = 0;
    const int result = sys_.functionality(fd, funcs);
    if (result == -ENOTTY) {
        hintOnce(Hint::NotI2cNode, notI2cNodeHint());
        return kStatusNoAdapter;
    }
    if (result < 0) return statusForErrno(-result);
    if ((funcs & I2C_FUNC_I2C) == 0) {
        hintOnce(Hint::NoPlainI2c,
                 node_ +
                     " can do only SMBus transfers, not the plain I2C transfers the camera "
                     "needs: choose a USB-to-I2C adapter's bus (vorlix --bus list)");
        return kStatusNoAdapter;
    }
    return kStatusOk;
}

std::string I2cDevAdapter::notI2cNodeHint() const {
    return node_ + " is not an I2C bus: choose a node /dev/i2c-N (vorlix --bus list)";
}

std::uint16_t I2cDevAdapter::openFailure(int err) {
    if (err == ENOENT || err == ENODEV) {
        // A node named by the port or serial of its adapter went away with that adapter: the
        // module loading and the bus list are no fix then.
        hintOnce(Hint::Missing,
                 stableName_ ? node_ + " went away: the adapter of i2c:" + stableName_->name +
                                   " was pulled out; plug it in again"
                             : missingNodeText(node_));
    } else if (err == EACCES || err == EPERM) {
        const NodeOwner owner = nodeOwner(node_, sys_);
        const std::string whose = owner.kind == NodeOwner::RootAlone
                                      ? "it belongs to root alone; "
                                      : "it belongs to group \"" + owner.group + "\"; ";
        hintOnce(Hint::Permission,
                 "no permission to open " + node_ + ": " + whose + permissionRemedy(owner));
    }
    return statusForErrno(err);
}

void I2cDevAdapter::hintOnce(Hint kind, const std::string& line) {
    if (hinted_.insert(kind).second && hint_) hint_(line);
}

void I2cDevAdapter::select(AdapterHandle handle, std::uint8_t slave) {
    if (Transaction* transaction = find(handle)) transaction->slave = slave;
}

I2cDevAdapter::Transaction* I2cDevAdapter::find(AdapterHandle handle) {
    const auto it = transactions_.find(handle);
    return it == transactions_.end() ? nullptr : &it->second;
}

std::uint16_t I2cDevAdapter::write(AdapterHandle handle, const std::uint8_t* data, std::uint32_t,
                                   std::uint32_t count) {
    if (count > kMaxMessageBytes) return kStatusUnknownCommand;
    std::vector<std::uint8_t> bytes(data, data + count);
    i2c_msg msg = writeMessage(bytes);
    return transfer(handle, &msg, 1);
}

std::uint16_t I2cDevAdapter::writeSub(AdapterHandle handle, std::uint32_t subLength,
                                      std::uint32_t subAddress, const std::uint8_t* data,
                                      std::uint32_t count, std::uint32_t) {
    if (!knownSubLength(subLength) || count > kMaxMessageBytes - subLength)
        return kStatusUnknownCommand;
    std::vector<std::uint8_t> bytes = subAddressBytes(subLength, subAddress);
    // Sub-address and data are one message: a device that takes the sub-address as the start
    // of a register write must see them in one transaction.
    bytes.insert(bytes.end(), data, data + count);
    i2c_msg msg = writeMessage(bytes);
    return transfer(handle, &msg, 1);
}

std::uint16_t I2cDevAdapter::read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t,
                                  std::uint32_t count) {
    if (count > kMaxMessageBytes) return kStatusUnknownCommand;
    i2c_msg msg = readMessage(buffer, count);
    return transfer(handle, &msg, 1);
}

std::uint16_t I2cDevAdapter::readSub(AdapterHandle handle, std::uint32_t subLength,
                                     std::uint32_t subAddress, std::uint8_t* buffer,
                                     std::uint32_t count, std::uint32_t) {
    if (!knownSubLength(subLength) || count > kMaxMessageBytes) return kStatusUnknownCommand;
    std::vector<std::uint8_t> sub = subAddressBytes(subLength, subAddress);
    // Two messages in one I2C_RDWR: the kernel joins them with a repeated start, so no other
    // master can slip in between the sub-address and the read.
    i2c_msg msgs[2] = {writeMessage(sub), readMessage(buffer, count)};
    return transfer(handle, msgs, 2);
}

std::uint16_t I2cDevAdapter::transfer(AdapterHandle handle, i2c_msg* msgs, unsigned count) {
    const Transaction* transaction = find(handle);
    if (transaction == nullptr) return kStatusNoAdapter;
    if (transaction->failure != kStatusOk) return transaction->failure;
    // Bit 0 of an 8-bit address is the direction of the transfer on the wire, and a message
    // takes its direction from its flags alone: a plain write at a read address, or a read at
    // a write address, would reach the device in the other form. No device answers such an
    // address in that direction, so it is not present; nothing goes on the bus. The
    // write-then-read pair carries both directions and takes either form.
    const bool readsAtSlave = (transaction->slave & 1) != 0;
    if (count == 1 && ((msgs[0].flags & I2C_M_RD) != 0) != readsAtSlave) return kStatusNotPresent;
    for (unsigned i = 0; i < count; ++i) msgs[i].addr = addr7(transaction->slave);
    const int result = sys_.transfer(transaction->fd, msgs, count);
    if (result < 0) return statusForErrno(-result);
    // A driver that stops early without an error leaves the rest of the transaction undone.
    return static_cast<unsigned>(result) == count ? kStatusOk : kStatusNack;
}

void I2cDevAdapter::close(AdapterHandle handle) {
    const auto it = transactions_.find(handle);
    if (it == transactions_.end()) return;
    if (it->second.fd >= 0) sys_.close(it->second.fd);
    transactions_.erase(it);
}

}  // namespace vorlix
