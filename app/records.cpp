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

std::string utcTime(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm utc = *std::gmtime(&now);  // one thread: gmtime's buffer is ours alone
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &utc));
}

}  // namespace vorlix::app
