#include "app/command_run.h"

#include "camera/camera_map.h"
#include "io/printable.h"

namespace vorlix::app {

CommandRun::CommandRun(const Options& options, CommandInput& input, const CommandIo& io)
    : options_(options),
      input_(input),
      io_(io),
      notifier_(io.trace, io.err),
      bus_{io.adapter, io.pacer, notifier_},
      progress_(io.err, !options.quiet && standardErrorIsTerminal()),
      record_(options.bus, io.resolved, options.command.name, options.command.file) {}

CommandRun::~CommandRun() {
    io_.lastWords = nullptr;
}

int CommandRun::operator()(const CommandEntry& entry) {
    io_.lastWords = [this](int status) {
        interrupted(status);
        return status;
    };
    if (entry.writes) whenInterrupted([] { return std::string(kNothingWritten); });
    const int status = findCamera() ? entry.run(*this) : kCameraFailed;
    io_.lastWords = nullptr;
    interruptedLine_ = nullptr;
    return finish(status);
}

// The record is the run's last output: the status it says is the one the outputs before it
// leave (a trace that could not be written turns done into kOutputFailed).
int CommandRun::finish(int status) {
    if (io_.settle) status = io_.settle(status);
    const nlohmann::json& line = record_.close(status);
    if (!input_.record.isOpen()) return status;
    if (const std::optional<std::string> why = input_.record.append(line)) {
        tell(*why);
        return status == kCommandDone ? kOutputFailed : status;
    }
    return status;
}

// The bar as far as it got stays on its own line; the line says what the camera holds now.
void CommandRun::interrupted(int status) {
    progress_.finish();
    tell(interruptedLine_ ? interruptedLine_() : "interrupted");
    record_.setResult("interrupted");
    finish(status);
}

void CommandRun::tell(const std::string& line) {
    io_.err << "vorlix: " << line << std::endl;
}

void CommandRun::inform(const std::string& line) {
    if (!options_.quiet) io_.out << line << '\n';
}

bool CommandRun::findCamera() {
    I2cLink link(bus_);
    const std::uint16_t found = link.findCamera();
    if (!namesCamera(found)) {
        record_.setResult("no camera");
        return false;
    }
    camAddr_ = static_cast<std::uint8_t>(found);
    record_.setCamera(camAddr_);
    return true;
}

camera::WriteGate CommandRun::backupGate() {
    if (options_.noBackup) return {};
    return [this]() -> std::optional<std::string> {
        I2cLink link(bus_);
        progress_.start("backup", eeprom::kEepromSize);
        std::string why;
        std::optional<Backup> backup = backupCamera(
            link, camAddr_, label(), [this](std::size_t n) { progress_.set(n); }, why);
        progress_.finish();
        if (!backup) {
            record_.setResult("no backup");
            return why;
        }
        record_.setBackup(backup->path);
        record_.setEepromBefore(backup->bytes);
        inform("backup: " + backup->path);
        backup_ = std::move(backup);
        return std::nullopt;
    };
}

std::string CommandRun::restoreHint() const {
    const std::optional<std::string> backup = record_.backup();
    if (!backup) return "";
    return "; vorlix program " + io::printable(*backup) + " restores it";
}

}  // namespace vorlix::app
