#pragma once
// The production record: one JSON line per command and module, appended to the file that
// --record names, so that a day's tally is a jq over that file. A line is written with one
// append, and a file whose last line was cut short (a crash, a full disk) gets a newline first,
// so earlier lines are never truncated or joined to a new one.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "camera/eeprom_image.h"

namespace vorlix::app {

class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens path for appending (creating it); why the file cannot take records otherwise.
    std::optional<std::string> open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    // Appends one line; why it could not be written otherwise.
    std::optional<std::string> append(const nlohmann::json& record);

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// The record of one command run. Every key is there from the start (null until known), so that
// a tally never meets a line without one; the result is one of done, failed, verified, differs,
// no camera, no backup, interrupted.
class CommandRecord {
public:
    // file: the command's FILE as given (empty: none).
    CommandRecord(const std::string& bus, const std::string& command, const std::string& file);

    void setCamera(std::uint8_t address);
    void setScript(const std::string& absolutePath, const std::string& sha256);
    void setBackup(const std::string& path);
    // The backup made before the first write of this run, or nothing.
    std::optional<std::string> backup() const;
    void setResult(const std::string& result) { json_["result"] = result; }
    void setDifference(const camera::EepromDifference& first);
    void setNewAddress(std::uint8_t address);
    // The unit's number in a station's shift (counted from 1); null for a command run alone.
    void setUnit(unsigned unit) { json_["unit"] = unit; }
    // The line as it stands (after close: as it went into the file).
    const nlohmann::json& line() const { return json_; }

    // The line for the file of a run that ended with status: its duration, and "done" or
    // "failed" unless a result was set.
    const nlohmann::json& close(int status);

private:
    nlohmann::json json_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// The time now, UTC, in strftime's format.
std::string utcTime(const char* format);
// The time now, UTC, ISO 8601 to the second ("2026-12-07T19:30:12Z").
inline std::string utcTimestamp() {
    return utcTime("%Y-%m-%dT%H:%M:%SZ");
}

}  // namespace vorlix::app
