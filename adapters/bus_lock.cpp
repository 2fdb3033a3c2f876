#include "adapters/bus_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace vorlix {

io::Expected<std::shared_ptr<void>> lockBus(const std::string& node,
                                            const std::vector<std::string>& lockDirs) {
    // Named after the node the path leads to, so that two names of one bus share a lock.
    std::error_code ec;
    std::filesystem::path target = std::filesystem::canonical(node, ec);
    if (ec) target = node;
    const std::string name = "vorlix-" + target.filename().string() + ".lock";
    for (const std::string& dir : lockDirs) {
        const std::string path = (std::filesystem::path(dir) / name).string();
        // Read-only is enough for flock, and lets a run of another user share a lock file one
        // user created; O_NOFOLLOW keeps a planted link in a shared folder from being created.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return std::shared_ptr<void>(new int(fd), [](void* held) {
                ::close(*static_cast<int*>(held));  // closing releases the lock
                delete static_cast<int*>(held);
            });
        const int why = errno;
        ::close(fd);
        if (why != EWOULDBLOCK) continue;
        return io::Failure{node + " is in use by another vorlix run (it holds " + path +
                           "): a second run would come between its camera commands' header and "
                           "data phase; wait until that run ends"};
    }
    return std::shared_ptr<void>(std::make_shared<int>(-1));
}

const std::vector<std::string>& busLockDirs() {
    static const std::vector<std::string> dirs{"/run/lock", "/tmp"};
    return dirs;
}

}  // namespace vorlix
