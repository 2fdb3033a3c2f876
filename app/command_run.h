#pragma once
// One run of one command: what every command's body works with. The run finds the camera
// first (or takes the one --address names), keeps the record of the run and appends it at the
// end, makes the backup before the first EEPROM write (unless --no-backup), and ends the
// command with the result of its camera operation: the words on standard output or error, the
// record's result and the line a station shows, all from that one result. When an interrupt
// ends the run at a safe point, the run ends its progress line, says how far the command got
// (as the command last said it) and appends the record with the result interrupted.
//
// The backup's name is on disk before anything is written into the camera: the "backup:" line
// is written out, and the record gets a line with the result started, so that a run killed
// later (a crash, a power cut of the PC) has left what restores the camera.
//
// With --retries N, a command that failed on a transfer runs again from its start (the search
// included), up to N more times; the backup of the first attempt stays the one that restores
// the camera (a later attempt never backs up a module that may be half written), and the
// record says how many attempts were made.
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/backups.h"
#include "app/commands.h"
#include "app/progress.h"
#include "app/records.h"
#include "app/stderr_notifier.h"
#include "camera/result.h"
#include "camera/write_gate.h"
#include "link/i2c_link.h"
#include "res/resources.h"

namespace vorlix::app {

class CommandRun {
public:
    CommandRun(const Options& options, CommandInput& input, const CommandIo& io);
    ~CommandRun();
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // Finds the camera and runs the command's body on it; appends the record. The exit status.
    int operator()(const CommandEntry& entry);
    // The attempt under way (1 for the first).
    unsigned attempts() const { return attempts_; }

    // The camera the command works on: the one --address names, else the one the search
    // finds. False (the record says "no camera") when the search found none. The run does it
    // before the body of a command that needs a camera.
    bool findCamera();

    const Command& command() const { return options_.command; }
    const CommandInput& input() const { return input_; }
    // The bus an operation builds its I2cLink over, and the camera the run works on.
    const Bus& bus() const { return bus_; }
    std::uint8_t camAddr() const { return camAddr_; }
    ProgressBar& progress() { return progress_; }
    CommandRecord& record() { return record_; }

    // Results go to standard output; inform's lines only without --quiet.
    std::ostream& out() { return io_.out; }
    void inform(const std::string& line);
    // One line on standard error.
    void tell(const std::string& line);

    // The run's backup before its first EEPROM write: made now (its path told), or the one
    // made earlier in the run; null with --no-backup. NoBackup and why when it could not be
    // made, which stops the operation.
    camera::GateAnswer backUp();
    // The same, as the last word an operation asks before its first EEPROM write.
    camera::WriteGate backupGate();
    BackupLabel label() const { return {options_.bus, res::versionText()}; }

    // Ends the command with the result of its operation; the exit status. Done: its words on
    // standard output; Differs: its words on standard output too (the differences were told
    // before it); otherwise its words on standard error. Both a failure and a difference are
    // followed by how to restore the camera once the run made a backup. The record's result
    // follows the outcome.
    template <typename T>
    int conclude(const camera::Result<T>& result) {
        return conclude(result.outcome, result.words, result.backup.get());
    }
    int conclude(camera::Outcome outcome, const std::string& words, const camera::Backup* backup);

    // The line that says how the command ended, as a station's result line gives it.
    const std::string& verdict() const { return verdict_; }

    // What the line that an interrupt ends the run with says from now on; a command that
    // writes keeps it true as it goes (its body's own counts may be captured: the line is
    // dropped when the body returns). Until then: "interrupted", or for a command that writes
    // "interrupted before anything was written". The run adds how to restore the camera once
    // the line says something was written and a backup exists.
    void whenInterrupted(std::function<std::string()> line) { interruptedLine_ = std::move(line); }

private:
    // The command once, from the search on; the exit status.
    int attempt();
    void interrupted(int status);
    int finish(int status);

    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    StderrNotifier notifier_;
    Bus bus_;
    ProgressBar progress_;
    CommandRecord record_;
    const CommandEntry* entry_ = nullptr;
    std::uint8_t camAddr_ = 0;
    std::shared_ptr<const camera::Backup> backup_;
    std::function<std::string()> interruptedLine_;
    std::string verdict_;
    unsigned attempts_ = 1;
    bool transferFailed_ = false;  // the attempt ended at a failed transfer
    bool startedLost_ = false;     // the record's started line could not be appended
};

}  // namespace vorlix::app
