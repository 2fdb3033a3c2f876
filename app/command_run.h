#pragma once
// One run of one command: what every command's body works with. The run finds the camera
// first, keeps the record of the run and appends it at the end, tells the person in one line a
// time, and makes the backup before the first EEPROM write (unless --no-backup). When an
// interrupt ends the run at a safe point, the run ends its progress line, says how far the
// command got (as the command last said it) and appends the record with the result interrupted.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "app/backups.h"
#include "app/commands.h"
#include "app/progress.h"
#include "app/records.h"
#include "app/stderr_notifier.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"
#include "res/resources.h"

namespace vorlix::app {

inline constexpr char kNothingWritten[] = "interrupted before anything was written";

class CommandRun {
public:
    CommandRun(const Options& options, CommandInput& input, const CommandIo& io);
    ~CommandRun();
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // Finds the camera and runs the command's body on it; appends the record. The exit status.
    int operator()(const CommandEntry& entry);

    const Command& command() const { return options_.command; }
    const CommandInput& input() const { return input_; }
    // The bus an operation builds its I2cLink over, and the camera the search found.
    const Bus& bus() const { return bus_; }
    std::uint8_t camAddr() const { return camAddr_; }
    ProgressBar& progress() { return progress_; }
    CommandRecord& record() { return record_; }

    // Results go to standard output; inform's lines only without --quiet.
    std::ostream& out() { return io_.out; }
    void inform(const std::string& line);
    // One line on standard error.
    void tell(const std::string& line);

    // The operation's last word before its first EEPROM write: the backup (none with
    // --no-backup). Its refusal, when the backup could not be made, stops the operation.
    camera::WriteGate backupGate();
    // The backup the gate made (its file and the bytes it read), once it was made.
    const std::optional<Backup>& backup() const { return backup_; }
    // "; vorlix program BACKUP restores it" once a backup of this run was made, else nothing.
    std::string restoreHint() const;
    BackupLabel label() const { return {options_.bus, res::versionText()}; }

    // What the line that an interrupt ends the run with says from now on; a command that
    // writes keeps it true as it goes (its body's own counts may be captured: the line is
    // dropped when the body returns). Until then: "interrupted", or for a command that writes
    // kNothingWritten.
    void whenInterrupted(std::function<std::string()> line) { interruptedLine_ = std::move(line); }

private:
    bool findCamera();
    void interrupted(int status);
    int finish(int status);

    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    StderrNotifier notifier_;
    Bus bus_;
    ProgressBar progress_;
    CommandRecord record_;
    std::uint8_t camAddr_ = 0;
    std::optional<Backup> backup_;
    std::function<std::string()> interruptedLine_;
};

}  // namespace vorlix::app
