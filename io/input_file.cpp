#include "io/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "io/printable.h"

namespace vorlix::io {

namespace {

#ifdef _WIN32
using StatBuf = struct _stat64;
// The C runtime does not find a folder named with a trailing separator ("C:\temp\"): it is
// asked without, so that a folder is told as a folder on every platform.
int statPath(std::string path, StatBuf& st) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
           path[path.size() - 2] != ':')
        path.pop_back();
    return ::_stat64(path.c_str(), &st);
}
int statFd(int fd, StatBuf& st) {
    return ::_fstat64(fd, &st);
}
int openForReading(const std::string& path) {
    return ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
}
int closeFd(int fd) {
    return ::_close(fd);
}
long readFd(int fd, char* buffer, std::size_t size) {
    return ::_read(fd, buffer, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
bool isRegular(const StatBuf& st) {
    return (st.st_mode & _S_IFMT) == _S_IFREG;
}
#else
using StatBuf = struct stat;
int statPath(const std::string& path, StatBuf& st) {
    return ::stat(path.c_str(), &st);
}
int statFd(int fd, StatBuf& st) {
    return ::fstat(fd, &st);
}
// Non-blocking, so that a FIFO without a writer opens at once and is then refused.
int openForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
int closeFd(int fd) {
    return ::close(fd);
}
long readFd(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return static_cast<long>(n);
    }
}
bool isRegular(const StatBuf& st) {
    return S_ISREG(st.st_mode);
}
#endif

// Why a file that is there is no input: a directory reads as the system says it.
std::string notRegular(const StatBuf& st) {
#ifdef _WIN32
    if ((st.st_mode & _S_IFMT) == _S_IFDIR) return std::strerror(EISDIR);
    return "not a regular file";
#else
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    const char* kind = S_ISFIFO(st.st_mode)   ? "a FIFO"
                       : S_ISCHR(st.st_mode)  ? "a character device"
                       : S_ISBLK(st.st_mode)  ? "a block device"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                                              : "not a file";
    return std::string("not a regular file (") + kind + ")";
#endif
}

}  // namespace

InputFile::~InputFile() {
    if (fd_ >= 0) closeFd(fd_);
}

bool InputFile::open(const std::string& path) {
    // Looked at before it is opened, so that no device is ever opened as an input; looked at
    // again through the descriptor, in case the name was replaced in between.
    StatBuf st{};
    if (statPath(path, st) != 0) {
        failure_ = {true, printable(std::strerror(errno))};
        return false;
    }
    if (!isRegular(st)) {
        failure_ = {false, notRegular(st)};
        return false;
    }
    fd_ = openForReading(path);
    if (fd_ < 0) {
        failure_ = {true, printable(std::strerror(errno))};
        return false;
    }
    if (statFd(fd_, st) != 0 || !isRegular(st)) {
        failure_ = {false, notRegular(st)};
        closeFd(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

long InputFile::read(char* buffer, std::size_t size) {
    if (fd_ < 0) return -1;
    const long n = readFd(fd_, buffer, size);
    if (n < 0) failure_ = {false, printable(std::strerror(errno))};
    return n;
}

Expected<std::string, ReadFailure> readWholeFile(const std::string& path, std::size_t maxBytes) {
    InputFile file;
    if (!file.open(path)) return file.failure();
    std::string text;
    char chunk[65536];
    for (;;) {
        const long n = file.read(chunk, sizeof chunk);
        if (n < 0) return file.failure();
        if (n == 0) return text;
        if (text.size() + static_cast<std::size_t>(n) > maxBytes)
            return ReadFailure{false, "larger than " + std::to_string(maxBytes) + " bytes"};
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace vorlix::io
