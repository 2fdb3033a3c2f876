#pragma once
// The progress bar of a command: one line on standard error, redrawn in place, only when
// standard error is a terminal (a log file or a pipe gets nothing) and --quiet was not given.
#include <cstddef>
#include <ostream>
#include <string>

namespace vorlix::app {

class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool shown) : out_(out), shown_(shown) {}
    ~ProgressBar() { finish(); }

    // Starts a bar of total steps; a bar still showing is finished first.
    void start(const std::string& label, std::size_t total);
    void set(std::size_t done);
    void step() { set(done_ + 1); }
    // Ends the bar's line.
    void finish();

private:
    std::ostream& out_;
    bool shown_;
    bool active_ = false;
    std::string label_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    int drawn_ = -1;  // the width drawn last, so a bar is redrawn only when it grows
};

// Whether standard error is a terminal.
bool standardErrorIsTerminal();

}  // namespace vorlix::app
