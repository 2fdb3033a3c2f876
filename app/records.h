#pragma once
// The production record: one JSON line per command and module, appended to the file that
// --record names, so that a day's tally is a jq over that file. A line is written with one
// write on a handle that only appends, so the lines of stations that share the file never
// interleave; a file whose last line was cut short (a crash, a full disk) gets a newline first,
// so earlier lines are never joined to a new one (the documented tally skips the cut one). The
// look at the last byte and the write happen under a lock on the file (flock on Linux,
// LockFileEx on Windows), so a line on its way in from another station is never taken for a
// cut one: the file never holds an empty line. The sockets of one station append through one
// handle, and the lock on the file is the handle's: they take turns under a mutex first.
//
// A name on disk is bytes, a JSON string text: a string of the record that is not UTF-8 shows
// U+FFFD for each byte that is not, and its exact bytes follow as hex under its key with
// "_bytes" added ("file": "caf\ufffd.qef", "file_bytes": "636166e92e716566").
#include <chrono>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "camera/eeprom_image.h"
#include "io/expected.h"

#ifdef _WIN32
#include "win32/append_file.h"
#endif

namespace vorlix::app {

class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens path for appending (creating it), or why the file cannot take records.
    io::Expected<> open(const std::string& path);
    bool isOpen() const;
    // Appends one line, or why it could not be written.
    io::Expected<> append(const nlohmann::json& record);

private:
#ifdef _WIN32
    win32::AppendFile file_;
#else
    int fd_ = -1;
#endif
    std::string path_;
    std::mutex appending_;
};

// The record of one command run. Every key is there from the start (null until known), so that
// a tally never meets a line without one; the result is one of done, failed, verified, differs,
// no camera, no backup, interrupted. A run that made a backup appends a line with the result
// started (and the backup's path) before its first EEPROM write, then its final line: a run cut
// short by a crash or a power cut has left the backup's name on disk.
class CommandRecord {
public:
    // bus: as --bus named it; resolved: what it named (a stable name's device node, else the
    // --bus argument). file: the command's FILE as given (empty: none).
    CommandRecord(const std::string& bus, const std::string& resolved, const std::string& command,
                  const std::string& file);

    void setCamera(std::uint8_t address);
    void setScript(const std::string& absolutePath, const std::string& sha256);
    void setBackup(const std::string& path);
    void setResult(const std::string& result) { json_["result"] = result; }
    void setDifference(const camera::EepromDifference& first);
    void setNewAddress(std::uint8_t address);
    // The unit's number in a station's shift (counted from 1); null for a command run alone.
    void setUnit(unsigned unit) { json_["unit"] = unit; }
    void setPagesWritten(std::size_t pages) { json_["pages_written"] = pages; }
    // How many times the command ran (with --retries only: a run without it has no such key).
    void setAttempts(unsigned attempts) { json_["attempts"] = attempts; }
    // What one attempt found, forgotten when the command runs again from its start.
    void forgetAttempt();
    // The SHA-256 of the EEPROM as read before the first write (the backup, program's baseline)
    // and as read by the verification.
    void setEepromBefore(const camera::EepromImage& bytes);
    void setEepromAfter(const camera::EepromImage& bytes);

    // The line for the file of a run that ended with status: its duration, and "done" or
    // "failed" unless a result was set.
    const nlohmann::json& close(int status);
    // The line for the file of a run that is about to write: the result "started", no status.
    nlohmann::json started() const;

private:
    nlohmann::json json_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// What the record's "resolved" says of a bus: what the backend resolved a stable name to, else
// the argument after "NAME:" in the --bus text, else that text.
std::string resolvedBus(const std::string& bus, const std::string& resolved);

// The time now, UTC, in strftime's format.
std::string utcTime(const char* format);
// The time now, UTC, ISO 8601 to the second ("2026-12-07T19:30:12Z").
inline std::string utcTimestamp() {
    return utcTime("%Y-%m-%dT%H:%M:%SZ");
}

}  // namespace vorlix::app
