#include "app/records.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "io/hex.h"
#include "io/printable.h"
#include "io/sha256.h"
#include "res/resources.h"

namespace vorlix::app {

namespace {

bool isUtf8(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

std::string recordLine(const nlohmann::json& record) {
    nlohmann::json line = record;
    for (const auto& [key, value] : record.items()) {
        if (!value.is_string() || isUtf8(value.get_ref<const std::string&>())) continue;
        std::string bytes;
        for (const char c : value.get_ref<const std::string&>())
            bytes += io::hexByte(static_cast<std::uint8_t>(c));
        line[key + "_bytes"] = bytes;
    }
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string sha256Of(const camera::EepromImage& bytes) {
    return io::sha256Hex(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

io::Expected<> RecordFile::open(const std::string& path) {
    const auto cannot = [&path](const std::string& why) {
        return io::Failure{io::printable(path) + ": cannot append records: " + why};
    };
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        return cannot("not a regular file");
#ifdef _WIN32
    if (const io::Expected<> opened = file_.open(path); !opened)
        return cannot(io::printable(opened.why()));
#else
    // O_APPEND: every write goes to the end, whatever else appends to the file meanwhile.
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return cannot(std::strerror(errno));
#endif
    path_ = path;
    return io::Ok{};
}

#ifdef _WIN32
RecordFile::~RecordFile() = default;

bool RecordFile::isOpen() const {
    return file_.isOpen();
}

io::Expected<> RecordFile::append(const nlohmann::json& record) {
    const std::lock_guard<std::mutex> turn(appending_);
    if (const io::Expected<> appended = file_.appendLine(recordLine(record)); !appended)
        return io::Failure{"cannot append the record to " + io::printable(path_) + ": " +
                           io::printable(appended.why())};
    return io::Ok{};
}
#else
RecordFile::~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool RecordFile::isOpen() const {
    return fd_ >= 0;
}

namespace {

// Holds an exclusive flock on a file for its lifetime: every station appending to the record
// file takes it, so none looks at the last byte while another's line is on its way in.
class FileLock {
public:
    explicit FileLock(int fd) : fd_(fd) {
        int r;
        do r = ::flock(fd_, LOCK_EX);
        while (r < 0 && errno == EINTR);
        error_ = r < 0 ? errno : 0;
    }
    ~FileLock() {
        if (error_ == 0) ::flock(fd_, LOCK_UN);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    int error() const { return error_; }

private:
    int fd_;
    int error_;
};

}  // namespace

// The look at the last byte and the write are one step under the lock: a line another station
// is appending is whole before this one looks, so a newline is put first only after a line
// that was really cut short, never an empty line.
io::Expected<> RecordFile::append(const nlohmann::json& record) {
    std::string line = recordLine(record);
    const std::lock_guard<std::mutex> turn(appending_);
    const FileLock lock(fd_);
    if (lock.error() != 0)
        return io::Failure{"cannot lock " + io::printable(path_) +
                           " to append the record: " + std::strerror(lock.error())};
    struct stat st {};
    char last = '\n';
    if (::fstat(fd_, &st) == 0 && st.st_size > 0 && ::pread(fd_, &last, 1, st.st_size - 1) == 1 &&
        last != '\n')
        line.insert(0, "\n");
    ssize_t n = -1;
    do n = ::write(fd_, line.data(), line.size());
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return io::Failure{"cannot append the record to " + io::printable(path_) + ": " +
                           std::strerror(errno)};
    if (static_cast<std::size_t>(n) != line.size())
        return io::Failure{"cannot append the record to " + io::printable(path_) +
                           ": the disk took only part of the line"};
    return io::Ok{};
}
#endif

CommandRecord::CommandRecord(const std::string& bus, const std::string& resolved,
                             const std::string& command, const std::string& file) {
    json_["time"] = utcTimestamp();
    json_["version"] = res::versionText();
    json_["bus"] = bus;
    json_["resolved"] = resolvedBus(bus, resolved);
    json_["camera"] = nullptr;
    json_["command"] = command;
    json_["file"] = file.empty() ? nlohmann::json(nullptr) : nlohmann::json(file);
    json_["script"] = nullptr;
    json_["sha256"] = nullptr;
    json_["difference"] = nullptr;
    json_["backup"] = nullptr;
    json_["unit"] = nullptr;
    json_["pages_written"] = nullptr;
    json_["sha256_before"] = nullptr;
    json_["sha256_after"] = nullptr;
}

void CommandRecord::setCamera(std::uint8_t address) {
    json_["camera"] = io::hexByte(address);
}

void CommandRecord::setScript(const std::string& absolutePath, const std::string& sha256) {
    json_["script"] = absolutePath;
    json_["sha256"] = sha256;
}

void CommandRecord::setBackup(const std::string& path) {
    json_["backup"] = path;
}

void CommandRecord::setDifference(const camera::EepromDifference& first) {
    json_["difference"] = {{"bank", io::hexByte(bankWriteForm(first.bank()))},
                           {"offset", io::hexByte(static_cast<std::uint8_t>(first.offset()))},
                           {"camera", io::hexByte(first.camera)},
                           {"file", io::formatHex(first.file)}};
}

void CommandRecord::setNewAddress(std::uint8_t address) {
    json_["newAddress"] = io::hexByte(address);
}

void CommandRecord::setEepromBefore(const camera::EepromImage& bytes) {
    json_["sha256_before"] = sha256Of(bytes);
}

void CommandRecord::setEepromAfter(const camera::EepromImage& bytes) {
    json_["sha256_after"] = sha256Of(bytes);
}

void CommandRecord::forgetAttempt() {
    for (const char* key : {"difference", "pages_written", "sha256_after"}) json_[key] = nullptr;
    json_.erase("result");
}

nlohmann::json CommandRecord::started() const {
    nlohmann::json line = json_;
    line["result"] = "started";
    line["status"] = nullptr;
    line["durationMs"] = nullptr;
    return line;
}

const nlohmann::json& CommandRecord::close(int status) {
    json_["status"] = status;
    json_["durationMs"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started_)
                              .count();
    if (!json_.contains("result")) json_["result"] = status == 0 ? "done" : "failed";
    return json_;
}

std::string resolvedBus(const std::string& bus, const std::string& resolved) {
    if (!resolved.empty()) return resolved;
    const std::size_t colon = bus.find(':');
    return colon == std::string::npos ? bus : bus.substr(colon + 1);
}

std::string utcTime(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};  // the sockets of a station ask at once: each its own buffer
#ifdef _WIN32
    ::gmtime_s(&utc, &now);
#else
    ::gmtime_r(&now, &utc);
#endif
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &utc));
}

}  // namespace vorlix::app
