#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "io/printable.h"

namespace vorlix::io {

namespace fs = std::filesystem;

namespace {

std::string reasonOf(int err) {
    return printable(std::strerror(err));
}

#ifdef _WIN32
constexpr int kStdout = 1;
int openNew(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int openExisting(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
}
int openTemporary(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long writeFd(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(size > 1u << 30 ? 1u << 30 : size));
}
bool emptyIfRegular(int fd) {
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return true;
    return ::_chsize(fd, 0) == 0;
}
bool syncFd(int fd) {
    return ::_commit(fd) == 0;
}
int closeFd(int fd) {
    return ::_close(fd);
}
#else
constexpr int kStdout = STDOUT_FILENO;
// Neither open blocks: a FIFO without a reader is refused at once instead of hanging.
int openNew(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
int openExisting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
int openTemporary(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
long writeFd(int fd, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR) return static_cast<long>(n);
    }
}
bool emptyIfRegular(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return true;
    return ::ftruncate(fd, 0) == 0;
}
bool syncFd(int fd) {
    return ::fsync(fd) == 0;
}
int closeFd(int fd) {
    return ::close(fd);
}
#endif

// Writes all of data; the error number of the first failure, or 0.
int writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long n = writeFd(fd, data, size);
        if (n < 0) return errno;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// The file a chain of symlinks at path ends at (path itself when it is none).
fs::path throughLinks(const fs::path& path) {
    fs::path at = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(at, ec); ++hops) {
        const fs::path target = fs::read_symlink(at, ec);
        if (ec) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return at;
}

std::string temporaryFor(const fs::path& target) {
    return target.string() + ".tmp";
}

}  // namespace

// Writes go out in blocks and at every flush; after the first failed write everything else is
// dropped, and the stream turns bad.
class OutputFile::Buffer : public std::streambuf {
public:
    Buffer() { setp(block_, block_ + sizeof block_); }

    int fd = -1;
    bool owned = false;
    int error = 0;
    bool byLine = false;

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
            if (byLine && traits_type::to_char_type(c) == '\n' && !drain())
                return traits_type::eof();
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize put = std::streambuf::xsputn(s, n);
        if (byLine && std::memchr(s, '\n', static_cast<std::size_t>(put)) != nullptr) drain();
        return put;
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        if (error == 0 && fd >= 0)
            error = writeAll(fd, pbase(), static_cast<std::size_t>(pptr() - pbase()));
        setp(block_, block_ + sizeof block_);
        return error == 0;
    }

    char block_[8192];
};

OutputFile::OutputFile() : buffer_(std::make_unique<Buffer>()), stream_(buffer_.get()) {}

OutputFile::~OutputFile() {
    flush();
    if (buffer_->owned) closeFd(buffer_->fd);
}

bool OutputFile::open(const std::string& path) {
    path_ = path;
    if (path == kStandardOutput) {
        buffer_->fd = kStdout;
        return true;
    }
    int fd = openNew(path);
    created_ = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = openExisting(path);
    if (fd < 0) {
        reason_ = reasonOf(errno);
        return false;
    }
    buffer_->fd = fd;
    buffer_->owned = true;
    return true;
}

bool OutputFile::truncate() {
    if (!buffer_->owned || emptyIfRegular(buffer_->fd)) return true;
    reason_ = reasonOf(errno);
    return false;
}

void OutputFile::discard() {
    if (buffer_->owned) closeFd(buffer_->fd);
    buffer_->fd = -1;
    buffer_->owned = false;
    if (created_) std::remove(path_.c_str());
    created_ = false;
}

void OutputFile::writeLines() {
    buffer_->byLine = true;
}

bool OutputFile::flush() {
    stream_.flush();
    if (buffer_->error != 0 && reason_.empty()) reason_ = reasonOf(buffer_->error);
    return buffer_->error == 0;
}

bool OutputFile::failed() const {
    return buffer_->error != 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const fs::path pa = throughLinks(a), pb = throughLinks(b);
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) return fs::equivalent(pa, pb, ec) && !ec;
    const fs::path ca = fs::weakly_canonical(fs::absolute(pa, ec), ec);
    const fs::path cb = fs::weakly_canonical(fs::absolute(pb, ec), ec);
    return ca == cb;
}

Expected<> checkReplaceable(const std::string& path) {
    const fs::path target = throughLinks(path);
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) return Failure{reasonOf(EISDIR)};
    if (fs::exists(status) && !fs::is_regular_file(status)) return Failure{"not a regular file"};
    const std::string temporary = temporaryFor(target);
    const int fd = openTemporary(temporary);
    if (fd < 0) return Failure{reasonOf(errno)};
    closeFd(fd);
    std::remove(temporary.c_str());
    return Ok{};
}

Expected<> replaceFile(const std::string& path, const std::string& contents) {
    const fs::path target = throughLinks(path);
    const std::string temporary = temporaryFor(target);
    const int fd = openTemporary(temporary);
    if (fd < 0) return Failure{reasonOf(errno)};
    int error = writeAll(fd, contents.data(), contents.size());
    if (error == 0 && !syncFd(fd)) error = errno;
    if (closeFd(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        std::remove(temporary.c_str());
        return Failure{reasonOf(error)};
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return Failure{printable(ec.message())};
    }
    return Ok{};
}

Expected<Created> createNewFile(const std::string& path, const std::string& contents) {
    const int fd = openNew(path);
    if (fd < 0) {
        if (errno == EEXIST) return Created::Taken;
        return Failure{reasonOf(errno)};
    }
    int error = writeAll(fd, contents.data(), contents.size());
    if (error == 0 && !syncFd(fd)) error = errno;
    if (closeFd(fd) != 0 && error == 0) error = errno;
    if (error == 0) return Created::New;
    std::remove(path.c_str());
    return Failure{reasonOf(error)};
}

}  // namespace vorlix::io
