#include "app/records.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "io/printable.h"

namespace vorlix::app {

RecordFile::~RecordFile() {
    if (file_ != nullptr) std::fclose(file_);
}

std::optional<std::string> RecordFile::open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        return io::printable(path) + ": cannot append records: not a regular file";
    // "a+": every write goes to the end, whatever else appends to the file meanwhile.
    file_ = std::fopen(path.c_str(), "a+b");
    if (file_ == nullptr)
        return io::printable(path) + ": cannot append records: " + std::strerror(errno);
    path_ = path;
    return std::nullopt;
}

std::optional<std::string> RecordFile::append(const nlohmann::json& record) {
    std::string line = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    if (std::fseek(file_, 0, SEEK_END) == 0 && std::ftell(file_) > 0 &&
        std::fseek(file_, -1, SEEK_END) == 0 && std::fgetc(file_) != '\n')
        line.insert(0, "\n");
    std::fseek(file_, 0, SEEK_END);
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
        return "cannot append the record to " + io::printable(path_) + ": " + std::strerror(errno);
    return std::nullopt;
}

std::string utcTimestamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc));
}

}  // namespace vorlix::app
