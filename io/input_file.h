#pragma once
// One way to read the program's input files (the simulator's state, action scripts, QEF
// scripts): regular files only, and never more than the format can use.
//
// A FIFO, a device or a directory is refused before a byte is read, without blocking: a FIFO
// with no writer or /dev/zero named as an input would otherwise hang the program or fill its
// memory. Failures are told as a reason ("No such file or directory", "not a regular file (a
// FIFO)", "larger than 4194304 bytes") together with the step that failed, so every reader can
// phrase the one line it shows in its own established words and name the file.
#include <cstddef>
#include <string>

#include "io/expected.h"

namespace vorlix::io {

struct ReadFailure {
    bool opening = true;  // the file could not be opened (else: it could not be read)
    std::string reason;   // printable, one line
};

// A regular file opened for reading, read in chunks.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens path; false, with failure() set, when it cannot be opened or is no regular file.
    bool open(const std::string& path);
    // Up to size bytes into buffer: how many, 0 at the end, -1 on a read error (failure() set).
    long read(char* buffer, std::size_t size);
    const ReadFailure& failure() const { return failure_; }

private:
    int fd_ = -1;
    ReadFailure failure_;
};

// The whole of a regular file of at most maxBytes bytes, or the failure.
Expected<std::string, ReadFailure> readWholeFile(const std::string& path, std::size_t maxBytes);

}  // namespace vorlix::io
