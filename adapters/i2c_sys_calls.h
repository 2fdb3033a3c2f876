#pragma once
// Every system call the i2c-dev backend makes, behind one small interface, so the backend's
// messages, statuses and hints are tested against a fake kernel without hardware.
#include <sys/types.h>

#include <optional>
#include <string>

struct i2c_msg;

namespace vorlix {

class SysCalls {
public:
    virtual ~SysCalls() = default;

    // Results follow the kernel's convention: a non-negative value on success, -errno on failure.

    // Whether path is a character device of the i2c-dev driver (major 89, or a device the
    // kernel lists under /sys/class/i2c-dev): 0 when it is, -ENOTTY when it is something else
    // (a regular file, another device), -errno when it cannot be looked at. Made before open,
    // so that nothing but an I2C bus node is ever opened read-write.
    virtual int checkNode(const std::string& path) = 0;
    // open(path, O_RDWR | O_CLOEXEC): the descriptor.
    virtual int open(const std::string& path) = 0;
    virtual void close(int fd) = 0;
    // ioctl(fd, I2C_FUNCS): 0 and the adapter's functionality bits.
    virtual int functionality(int fd, unsigned long& funcs) = 0;
    // ioctl(fd, I2C_RDWR) with count messages: the number of messages transferred.
    virtual int transfer(int fd, i2c_msg* msgs, unsigned count) = 0;
    // stat(path).st_gid and getgrgid: who owns a node that refused us.
    virtual std::optional<gid_t> nodeGroup(const std::string& path) = 0;
    virtual std::optional<std::string> groupName(gid_t gid) = 0;
    // access(path, R_OK | W_OK): 0, or -errno when this process may not open the node.
    virtual int accessReadWrite(const std::string& path) = 0;
    // Whether this process has the group now (effective or supplementary), and whether the
    // group database lists the user in it (as primary group or member), which it does from
    // the moment the user is added, before the next login gives the group to a session.
    virtual bool processInGroup(gid_t gid) = 0;
    virtual bool userListedInGroup(gid_t gid) = 0;
};

// The real calls.
SysCalls& linuxSysCalls();

}  // namespace vorlix
