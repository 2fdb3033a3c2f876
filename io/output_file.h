#pragma once
// The program's own outputs: the trace and the dump named on the command line, and the files it
// replaces as a whole (the simulator's state).
//
// An output is opened in two steps so that a bad option never costs a file its contents: every
// output is opened (created when missing, nothing truncated) only after every option was
// checked, and only when all of them opened are they emptied. Every write is checked; the
// first failure (a full disk, /dev/full, a reader of the pipe that went away) is kept, so the
// program can tell it and end with a status that says so. Writing to a closed pipe gives the
// error EPIPE here once SIGPIPE is ignored.
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "io/expected.h"

namespace vorlix::io {

// "-" names standard output in the options that take an output.
inline constexpr const char* kStandardOutput = "-";

class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens path for writing ("-": standard output) without emptying it; false and reason()
    // when it cannot be opened. A file this call created is removed again by discard().
    bool open(const std::string& path);
    // Empties a regular file opened by open() (other files have nothing to empty).
    bool truncate();
    // Removes the file if open() created it; for an output that will not be written.
    void discard();

    std::ostream& stream() { return stream_; }
    // From now on every line goes out as soon as it is whole (a log that standard output and
    // error share shows the lines in the order they happened; a process killed later has left
    // every line it finished), as a terminal gets them anyway.
    void writeLines();
    // Writes out what is buffered; false once any write has failed.
    bool flush();
    bool failed() const;
    const std::string& reason() const { return reason_; }

private:
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
    std::ostream stream_;
    std::string path_;
    bool created_ = false;
    std::string reason_;
};

// Whether a and b name one file: the same file on disk when both exist (through links and
// different spellings alike), else the same absolute path once "." and ".." are resolved.
bool sameFile(const std::string& a, const std::string& b);

// Whether a file can be created or replaced at path, checked by creating and removing the
// temporary file that replaceFile writes; the reason when it cannot. Symlinks are followed.
Expected<> checkReplaceable(const std::string& path);

// Replaces the contents of path as one step: written to TARGET.tmp beside the file a symlink
// at path leads to (or beside path), flushed to disk, renamed over TARGET. A failure leaves
// the old file as it was and no TARGET.tmp behind; its reason then.
Expected<> replaceFile(const std::string& path, const std::string& contents);

// What createNewFile did with a name that could be tried: created the file, or found the name
// taken (the caller may pick another).
enum class Created { New, Taken };

// Creates path holding contents, never over anything that exists there (a file, a link): the
// create is exclusive, so of two processes that create one name at once exactly one gets it.
// Flushed to disk before it returns. A file this call created is removed again on failure,
// whose reason is the result then.
Expected<Created> createNewFile(const std::string& path, const std::string& contents);

}  // namespace vorlix::io
