#pragma once
// A file opened only to append to it, for lines that several processes add to one file: every
// write goes to the end as one piece (the handle may append, never write elsewhere), so two
// processes' lines never interleave and none overwrites another's. A line goes in under a lock
// that every appender takes, so the look at the file's last byte and the write are one step.
#include <string>

#include "io/expected.h"

namespace vorlix::win32 {

class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens path (UTF-8), creating it when missing, or why it cannot be appended to.
    io::Expected<> open(const std::string& path);
    bool isOpen() const { return handle_ != nullptr; }
    // Appends line (which ends in a newline) with one write, after a newline when the file's
    // last line was cut short, all under the lock; why not, otherwise.
    io::Expected<> appendLine(const std::string& line);

private:
    // Whether the file is empty or its last byte is a newline.
    bool endsALine() const;

    void* handle_ = nullptr;
};

}  // namespace vorlix::win32
