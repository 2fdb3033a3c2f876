#include "app/records.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "io/hex.h"
#include "io/printable.h"
#include "res/resources.h"

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

CommandRecord::CommandRecord(const std::string& bus, const std::string& command,
                             const std::string& file) {
    json_["time"] = utcTimestamp();
    json_["version"] = res::versionText();
    json_["bus"] = bus;
    json_["camera"] = nullptr;
    json_["command"] = command;
    json_["file"] = file.empty() ? nlohmann::json(nullptr) : nlohmann::json(file);
    json_["script"] = nullptr;
    json_["sha256"] = nullptr;
    json_["difference"] = nullptr;
    json_["backup"] = nullptr;
    json_["unit"] = nullptr;
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

std::optional<std::string> CommandRecord::backup() const {
    if (json_["backup"].is_null()) return std::nullopt;
    return json_["backup"].get<std::string>();
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

const nlohmann::json& CommandRecord::close(int status) {
    json_["status"] = status;
    json_["durationMs"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started_)
                              .count();
    if (!json_.contains("result")) json_["result"] = status == 0 ? "done" : "failed";
    return json_;
}

std::string utcTime(const char* format) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm utc = *std::gmtime(&now);  // one thread: gmtime's buffer is ours alone
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &utc));
}

}  // namespace vorlix::app
