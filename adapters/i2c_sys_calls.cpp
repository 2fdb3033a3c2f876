#include "adapters/i2c_sys_calls.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vorlix {
namespace {

int resultOrErrno(int result) {
    return result < 0 ? -errno : result;
}

class LinuxSysCalls : public SysCalls {
public:
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
