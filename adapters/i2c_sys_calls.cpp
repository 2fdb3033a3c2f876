#include "adapters/i2c_sys_calls.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace vorlix {
namespace {

constexpr unsigned kI2cDevMajor = 89;  // I2C_MAJOR, the number the i2c-dev driver registers

int resultOrErrno(int result) {
    return result < 0 ? -errno : result;
}

class LinuxSysCalls : public SysCalls {
public:
    int checkNode(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return -errno;
        if (!S_ISCHR(st.st_mode)) return -ENOTTY;
        if (major(st.st_rdev) == kI2cDevMajor) return 0;
        // A kernel may hand the driver another number: its class entry says which it is.
        const std::string subsystem = "/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
                                      std::to_string(minor(st.st_rdev)) + "/subsystem";
        char target[PATH_MAX];
        const ssize_t n = ::readlink(subsystem.c_str(), target, sizeof target - 1);
        if (n <= 0) return -ENOTTY;
        const std::string link(target, static_cast<std::size_t>(n));
        return link.size() >= 8 && link.compare(link.size() - 8, 8, "/i2c-dev") == 0 ? 0 : -ENOTTY;
    }
    int open(const std::string& path) override {
        return resultOrErrno(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    }
    void close(int fd) override { ::close(fd); }
    int functionality(int fd, unsigned long& funcs) override {
        return resultOrErrno(::ioctl(fd, I2C_FUNCS, &funcs));
    }
    int transfer(int fd, i2c_msg* msgs, unsigned count) override {
        i2c_rdwr_ioctl_data data{msgs, count};
        return resultOrErrno(::ioctl(fd, I2C_RDWR, &data));
    }
    std::optional<gid_t> nodeGroup(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::nullopt;
        return st.st_gid;
    }
    std::optional<std::string> groupName(gid_t gid) override {
        const group* entry = ::getgrgid(gid);
        if (entry == nullptr || entry->gr_name == nullptr) return std::nullopt;
        return std::string(entry->gr_name);
    }
    int accessReadWrite(const std::string& path) override {
        return resultOrErrno(::access(path.c_str(), R_OK | W_OK));
    }
    bool processInGroup(gid_t gid) override {
        if (::getegid() == gid) return true;
        std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
        const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
        return count > 0 &&
               std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
    }
    bool userListedInGroup(gid_t gid) override {
        const passwd* user = ::getpwuid(::geteuid());
        if (user == nullptr) return false;
        if (user->pw_gid == gid) return true;
        const group* entry = ::getgrgid(gid);
        if (entry == nullptr || entry->gr_mem == nullptr) return false;
        for (char** member = entry->gr_mem; *member != nullptr; ++member)
            if (std::strcmp(*member, user->pw_name) == 0) return true;
        return false;
    }
};

}  // namespace

SysCalls& linuxSysCalls() {
    static LinuxSysCalls calls;
    return calls;
}

}  // namespace vorlix
