#include "fake_kernel.h"

#include <linux/i2c-dev.h>

#include <cerrno>
#include <cstdio>

namespace vorlix::test {
namespace {

// The i2c core's limit on one message.
constexpr unsigned kMaxMessageBytes = 8192;

std::string describe(const i2c_msg& msg) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%02x", (msg.flags & I2C_M_RD) ? 'R' : 'W', msg.addr);
    std::string line = text;
    if (msg.flags & ~I2C_M_RD) {
        std::snprintf(text, sizeof text, " flags %x", msg.flags);
        line += text;
    }
    if (msg.flags & I2C_M_RD) return line + " " + std::to_string(msg.len);
    for (unsigned i = 0; i < msg.len; ++i) {
        std::snprintf(text, sizeof text, " %02x", msg.buf[i]);
        line += text;
    }
    return line;
}

}  // namespace

int MemoryDevice::write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) {
    if (addr7 != addr7_) return -ENXIO;
    std::size_t i = 0;
    if (bytes.size() >= pointerBytes_) {
        pointer_ = 0;
        for (; i < pointerBytes_; ++i)
            pointer_ = static_cast<std::uint16_t>(pointer_ << 8 | bytes[i]);
    }
    for (; i < bytes.size(); ++i) memory_[pointer_++] = bytes[i];
    return 0;
}

int MemoryDevice::read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) {
    if (addr7 != addr7_) return -ENXIO;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = memory_[pointer_++];
    return 0;
}

int MemoryDevice::writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes,
                            std::uint8_t* buffer, std::size_t count) {
    const int result = write(addr7, bytes);
    return result != 0 ? result : read(addr7, buffer, count);
}

int FakeKernel::checkNode(const std::string& path) {
    const auto node = nodes.find(path);
    if (node == nodes.end()) return -ENOENT;
    return node->second.i2cDev ? 0 : -ENOTTY;
}

int FakeKernel::open(const std::string& path) {
    const auto node = nodes.find(path);
    const int err = node == nodes.end() ? ENOENT : node->second.openErrno;
    if (err != 0) {
        log.push_back("open " + path + " = -" + std::to_string(err));
        return -err;
    }
    int fd = 3;  // the lowest free descriptor, as the kernel hands them out
    while (openFds_.count(fd)) ++fd;
    openFds_.insert(fd);
    fdNodes_[fd] = path;
    log.push_back("open " + path + " = " + std::to_string(fd));
    return fd;
}

void FakeKernel::close(int fd) {
    log.push_back("close " + std::to_string(fd));
    openFds_.erase(fd);
    fdNodes_.erase(fd);
}

int FakeKernel::functionality(int fd, unsigned long& funcs) {
    log.push_back("funcs " + std::to_string(fd));
    if (!openFds_.count(fd)) return -EBADF;
    const FakeNode& node = nodes.at(fdNodes_.at(fd));
    if (node.funcsErrno != 0) return -node.funcsErrno;
    funcs = node.funcs;
    return 0;
}

int FakeKernel::transfer(int fd, i2c_msg* msgs, unsigned count) {
    if (!openFds_.count(fd)) return -EBADF;
    if (count == 0 || count > I2C_RDWR_IOCTL_MAX_MSGS) return -EINVAL;
    std::string line = "rdwr " + std::to_string(fd);
    for (unsigned i = 0; i < count; ++i) {
        if (msgs[i].len > kMaxMessageBytes) return -EINVAL;
        line += (i == 0 ? " " : ", ") + describe(msgs[i]);
    }
    log.push_back(line);
    if (failNextTransfer) {
        const int err = *failNextTransfer;
        failNextTransfer.reset();
        return -err;
    }
    if (shortNextTransfer) {
        const int done = *shortNextTransfer;
        shortNextTransfer.reset();
        return done;
    }
    const int result = deliver(msgs, count);
    return result < 0 ? result : static_cast<int>(count);
}

// A combined-transfer adapter: a single write, a single read, or a write then a read to the
// same address joined by a repeated start. Anything else it refuses, as the i2c core does for
// an adapter whose quirks forbid it.
int FakeKernel::deliver(const i2c_msg* msgs, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (msgs[i].flags & ~I2C_M_RD) return -EOPNOTSUPP;
    }
    const i2c_msg& first = msgs[0];
    if (count == 1 && (first.flags & I2C_M_RD))
        return devices_.read(first.addr, first.buf, first.len);
    if (count == 1) return devices_.write(first.addr, {first.buf, first.buf + first.len});
    const i2c_msg& second = msgs[1];
    if (count == 2 && !(first.flags & I2C_M_RD) && (second.flags & I2C_M_RD) &&
        first.addr == second.addr) {
        return devices_.writeRead(first.addr, {first.buf, first.buf + first.len}, second.buf,
                                  second.len);
    }
    return -EOPNOTSUPP;
}

std::optional<gid_t> FakeKernel::nodeGroup(const std::string& path) {
    log.push_back("stat " + path);
    const auto node = nodes.find(path);
    if (node == nodes.end()) return std::nullopt;
    return node->second.gid;
}

std::optional<std::string> FakeKernel::groupName(gid_t gid) {
    const auto group = groups.find(gid);
    if (group == groups.end()) return std::nullopt;
    return group->second;
}

int FakeKernel::accessReadWrite(const std::string& path) {
    const auto node = nodes.find(path);
    return node == nodes.end() ? -ENOENT : -node->second.openErrno;
}

}  // namespace vorlix::test
