#include "app/command_run.h"

#include "camera/camera_map.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

// How the command line tells a camera whose EEPROM was written how to get it back.
std::string restoreHint(const camera::Backup* backup) {
    if (backup == nullptr) return "";
    return "; vorlix program " + io::printable(backup->path) + " restores it";
}

}  // namespace

CommandRun::CommandRun(const Options& options, CommandInput& input, const CommandIo& io)
    : options_(options),
      input_(input),
      io_(io),
      notifier_(io.trace, io.err),
      bus_{io.adapter, io.pacer, notifier_},
      progress_(io.err, io.progressBar && !options.quiet && standardErrorIsTerminal()),
      record_(options.bus, io.resolved, options.command.name, options.command.file) {}

CommandRun::~CommandRun() {
    io_.lastWords = nullptr;
}

int CommandRun::operator()(const CommandEntry& entry) {
    entry_ = &entry;
    io_.lastWords = [this](int status) {
        interrupted(status);
        return status;
    };
    int status = attempt();
    const unsigned allowed = 1 + options_.retries.value_or(0);
    while (status == kCameraFailed && transferFailed_ && attempts_ < allowed) {
        ++attempts_;
        tell("trying again from the start: attempt " + std::to_string(attempts_) + " of " +
             std::to_string(allowed));
        record_.forgetAttempt();
        status = attempt();
    }
    io_.lastWords = nullptr;
    return finish(status);
}

int CommandRun::attempt() {
    transferFailed_ = false;
    if (options_.retries) record_.setAttempts(attempts_);
    if (entry_->writes)
        whenInterrupted([] { return std::string(camera::kInterruptedBeforeWriting); });
    const int status = !entry_->needsCamera || findCamera() ? entry_->run(*this) : kCameraFailed;
    interruptedLine_ = nullptr;
    return status;
}

// The record is the run's last output: the status it says is the one the outputs before it
// leave (a trace that could not be written turns done into kOutputFailed).
int CommandRun::finish(int status) {
    if (io_.settle) status = io_.settle(status);
    if (startedLost_ && status == kCommandDone) status = kOutputFailed;
    const nlohmann::json& line = record_.close(status);
    if (!input_.record.isOpen()) return status;
    if (const io::Expected<> appended = input_.record.append(line); !appended) {
        tell(appended.why());
        return status == kCommandDone ? kOutputFailed : status;
    }
    return status;
}

// The bar as far as it got stays on its own line; the line says what the camera holds now and
// how to restore it.
void CommandRun::interrupted(int status) {
    progress_.finish();
    verdict_ = interruptedLine_ ? interruptedLine_() : "interrupted";
    if (verdict_ != camera::kInterruptedBeforeWriting && interruptedLine_)
        verdict_ += restoreHint(backup_.get());
    tell(verdict_);
    record_.setResult("interrupted");
    finish(status);
}

void CommandRun::tell(const std::string& line) {
    io_.err << "vorlix: " << line << std::endl;
}

void CommandRun::inform(const std::string& line) {
    if (!options_.quiet) io_.out << line << '\n';
}

int CommandRun::conclude(camera::Outcome outcome, const std::string& words,
                         const camera::Backup* backup) {
    using camera::Outcome;
    verdict_ = words;
    // What restores the camera: the operation's backup, or the one the run made before an
    // earlier write.
    const camera::Backup* restores = backup != nullptr ? backup : backup_.get();
    switch (outcome) {
        case Outcome::Done:
            record_.setResult(entry_ != nullptr && entry_->verifies ? "verified" : "done");
            if (!words.empty()) io_.out << words << '\n';
            io_.out.flush();
            return kCommandDone;
        case Outcome::Differs:
            record_.setResult("differs");
            verdict_ += restoreHint(restores);
            io_.out << verdict_ << '\n';
            io_.out.flush();
            return kCameraFailed;
        case Outcome::NoBackup:
            record_.setResult("no backup");
            break;
        case Outcome::Refused:
            record_.setResult("failed");
            break;
        case Outcome::Failed:
            record_.setResult("failed");
            transferFailed_ = true;
            verdict_ += restoreHint(restores);
            break;
    }
    // What the command printed goes out before the line that says why it failed.
    io_.out.flush();
    tell(verdict_);
    return kCameraFailed;
}

bool CommandRun::findCamera() {
    if (options_.address) {
        camAddr_ = *options_.address;
    } else {
        I2cLink link(bus_);
        const std::uint16_t found = link.findCamera();
        if (!namesCamera(found)) {
            record_.setResult("no camera");
            verdict_ = "no camera";
            // A later attempt that finds the camera no more (an adapter pulled out) leaves a
            // module the first one may have written: what restores it is said again.
            if (backup_) {
                verdict_ += restoreHint(backup_.get());
                tell(verdict_);
            }
            return false;
        }
        camAddr_ = static_cast<std::uint8_t>(found);
    }
    record_.setCamera(camAddr_);
    return true;
}

camera::GateAnswer CommandRun::backUp() {
    if (options_.noBackup || backup_) return camera::doneWith(backup_);
    I2cLink link(bus_);
    progress_.start("backup", eeprom::kEepromSize);
    camera::GateAnswer backup =
        backupCamera(link, camAddr_, label(), [this](std::size_t n) { progress_.set(n); });
    progress_.finish();
    if (!backup) {
        transferFailed_ = link.failed();
        return backup;
    }
    backup_ = backup.value;
    record_.setBackup(backup_->path);
    record_.setEepromBefore(backup_->bytes);
    inform("backup: " + backup_->path);
    io_.out.flush();
    if (input_.record.isOpen()) {
        if (const io::Expected<> appended = input_.record.append(record_.started()); !appended) {
            tell(appended.why());
            startedLost_ = true;
        }
    }
    return backup;
}

camera::WriteGate CommandRun::backupGate() {
    if (options_.noBackup) return {};
    return [this] { return backUp(); };
}

}  // namespace vorlix::app
