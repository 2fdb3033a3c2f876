#pragma once
// The production record: one JSON line per command and module, appended to the file that
// --record names, so that a day's tally is a jq over that file. A line is written with one
// append, and a file whose last line was cut short (a crash, a full disk) gets a newline first,
// so earlier lines are never truncated or joined to a new one.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

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

// The time now, UTC, in strftime's format.
std::string utcTime(const char* format);
// The time now, UTC, ISO 8601 to the second ("2026-12-07T19:30:12Z").
inline std::string utcTimestamp() {
    return utcTime("%Y-%m-%dT%H:%M:%SZ");
}

}  // namespace vorlix::app
