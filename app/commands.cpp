// The commands of the production command line.
#include "app/commands.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "app/backups.h"
#include "app/progress.h"
#include "camera/address.h"
#include "camera/camera_map.h"
#include "camera/eeprom_image.h"
#include "camera/readback.h"
#include "camera/script_programming.h"
#include "camera/settings_snapshot.h"
#include "camera/white_balance.h"
#include "eeprom/script_file.h"
#include "io/hex.h"
#include "io/input_file.h"
#include "io/output_file.h"
#include "io/printable.h"
#include "io/sha256.h"
#include "link/i2c_link.h"
#include "link/notifier.h"
#include "res/resources.h"

namespace vorlix::app {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// The link's message boxes, for a command: one line on standard error each, and in the trace
// the same "B" line the window's host writes.
class CommandNotifier : public Notifier {
public:
    CommandNotifier(Trace& trace, std::ostream& err) : trace_(trace), err_(err) {}
    void messageBox(const std::string& text) override {
        trace_.line("B " + text);
        err_ << "vorlix: " << io::printable(text) << std::endl;
    }

private:
    Trace& trace_;
    std::ostream& err_;
};

using camera::eepromPlace;
using io::formatHex;
using io::hexByte;
using io::parseHexByte;

std::string differenceLine(const camera::EepromDifference& d) {
    return eepromPlace(d.at) + ": camera " + hexByte(d.camera) + ", file " + formatHex(d.file);
}

json differenceRecord(const camera::EepromDifference& d) {
    return {{"bank", hexByte(bankWriteForm(d.bank()))},
            {"offset", hexByte(static_cast<std::uint8_t>(d.offset()))},
            {"camera", hexByte(d.camera)},
            {"file", formatHex(d.file)}};
}

// Reads a script that must fill the whole EEPROM with hex bytes, for program and verify; a
// script to be programmed must also leave the camera findable.
std::optional<std::string> readWholeScript(const std::string& path, bool programming,
                                           CommandInput& input) {
    std::string whyNot;
    std::optional<eeprom::ScriptFile> file = eeprom::loadScript(path, {}, whyNot);
    if (!file) return whyNot;
    if (file->pairs < eeprom::kEepromSize) return eeprom::tooShortText(path, file->pairs);
    if (programming) {
        if (const std::optional<std::string> problem = camera::imageProblem(file->image))
            return eeprom::scriptLine(path, *problem);
    }
    input.script = file->image;
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    input.scriptPath = ec ? path : absolute.string();
    input.scriptSha256 = file->sha256;
    return std::nullopt;
}

// One run of one command.
class Run {
public:
    Run(const Options& options, CommandInput& input, const CommandIo& io)
        : options_(options),
          input_(input),
          io_(io),
          notifier_(io.trace, io.err),
          bus_{io.adapter, io.pacer, notifier_},
          progress_(io.err, !options.quiet && standardErrorIsTerminal()) {
        record_["time"] = utcTimestamp();
        record_["version"] = res::versionText();
        record_["bus"] = options.bus;
        record_["camera"] = nullptr;
        record_["command"] = options.command.name;
        record_["file"] = options.command.file.empty() ? json(nullptr) : json(options.command.file);
        record_["script"] = nullptr;
        record_["sha256"] = nullptr;
        record_["difference"] = nullptr;
        record_["backup"] = nullptr;
    }

    int operator()() {
        const auto started = std::chrono::steady_clock::now();
        const int status = dispatch();
        record_["status"] = status;
        record_["durationMs"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count();
        if (!record_.contains("result")) record_["result"] = status == 0 ? "done" : "failed";
        if (input_.record.isOpen()) {
            if (const std::optional<std::string> why = input_.record.append(record_)) {
                tell(*why);
                return status == kCommandDone ? kOutputFailed : status;
            }
        }
        return status;
    }

private:
    int dispatch() {
        const std::string& name = options_.command.name;
        if (!findCamera()) return kCameraFailed;
        if (name == "info") return info();
        if (name == "backup") return backup();
        if (name == "verify") return verify();
        if (name == "program") return program();
        if (name == "save-settings") return saveSettings();
        if (name == "erase-settings") return eraseSettings();
        if (name == "set-address") return setAddress();
        return kBadInput;
    }

    void tell(const std::string& line) { io_.err << "vorlix: " << line << std::endl; }
    void inform(const std::string& line) {
        if (!options_.quiet) io_.out << line << '\n';
    }

    bool findCamera() {
        I2cLink link(bus_);
        const std::uint16_t found = link.findCamera();
        if (!namesCamera(found)) {
            record_["result"] = "no camera";
            return false;
        }
        camAddr_ = static_cast<std::uint8_t>(found);
        record_["camera"] = hexByte(camAddr_);
        return true;
    }

    BackupLabel label() const { return {options_.bus, res::versionText()}; }

    // The operation's last word before its first EEPROM write: the backup (none with
    // --no-backup). Its refusal, when the backup could not be made, stops the operation.
    camera::WriteGate backupGate() {
        if (options_.noBackup) return {};
        return [this]() -> std::optional<std::string> {
            I2cLink link(bus_);
            progress_.start("backup", eeprom::kEepromSize);
            std::string why;
            const std::optional<std::string> path = backupCamera(
                link, camAddr_, label(), [this](std::size_t n) { progress_.set(n); }, why);
            progress_.finish();
            if (!path) {
                record_["result"] = "no backup";
                return why;
            }
            record_["backup"] = *path;
            inform("backup: " + *path);
            return std::nullopt;
        };
    }

    int info() {
        I2cLink link(bus_);
        const camera::CameraReadBack r = camera::readBack(link, camAddr_);
        const bool complete = camera::readBackComplete(r);
        if (options_.command.json) {
            io_.out << infoJson(r).dump(2) << '\n';
        } else {
            for (const auto& [key, text] : camera::describeReadBack(camAddr_, r))
                io_.out << key << ": " << text << '\n';
        }
        if (!complete) {
            tell("the read-back stopped at a failed transfer; what follows it was not read");
            return kCameraFailed;
        }
        return kCommandDone;
    }

    // The read-back as JSON: the same values as the text, numbers in hex.
    json infoJson(const camera::CameraReadBack& r) const {
        json j;
        j["address"] = hexByte(camAddr_);
        if (r.tvMode) j["tvMode"] = camera::tvModeText(*r.tvMode);
        if (r.exposure)
            j["exposure"] = {{"mode", camera::exposureText(r.exposure->mode)},
                             {"aexReference", formatHex(r.exposure->aexRef)},
                             {"shutter", formatHex(r.exposure->shutter)}};
        if (r.whiteBalance) j["whiteBalance"] = camera::whiteBalanceText(*r.whiteBalance);
        if (r.sharpness) j["gain"] = gainOf(*r.sharpness);
        if (r.overlayFunction && (!camera::overlaysOn(*r.overlayFunction) || r.overlays)) {
            json overlays = {{"enabled", camera::overlaysOn(*r.overlayFunction)}};
            if (r.overlays) {
                json shown = json::array();
                for (std::uint16_t overlay : *r.overlays) shown.push_back(camera::overlayShown(overlay));
                overlays["shown"] = shown;
            }
            j["overlays"] = overlays;
        }
        if (r.projection) {
            j["mirror"] = camera::mirrored(*r.projection);
            j["flip"] = camera::flipped(*r.projection);
        }
        if (r.trimX && *r.trimX == kTrimNotActive) {
            j["trim"] = nullptr;
        } else if (r.trimY && r.trimBlock) {
            // The offsets as the window shows them and a step starts from.
            j["trim"] = {
                {"x", formatHex(static_cast<std::uint32_t>(camera::shownTrim(static_cast<std::int16_t>(*r.trimX))))},
                {"y", formatHex(static_cast<std::uint32_t>(camera::shownTrim(static_cast<std::int16_t>(*r.trimY))))}};
        }
        j["complete"] = camera::readBackComplete(r);
        return j;
    }

    // The four banks, read for a command; nothing when a read failed (told).
    std::optional<camera::EepromImage> readBanks(const char* what) {
        I2cLink link(bus_);
        progress_.start(what, eeprom::kEepromSize);
        const camera::EepromRead read =
            camera::readEeprom(link, camAddr_, [this](std::size_t n) { progress_.set(n); });
        progress_.finish();
        if (read.complete()) return read.bytes;
        tell("reading the EEPROM failed at " + eepromPlace(read.count));
        return std::nullopt;
    }

    int backup() {
        I2cLink link(bus_);
        progress_.start("backup", eeprom::kEepromSize);
        std::string why;
        const bool saved = saveEeprom(
            link, camAddr_, label(), options_.command.file,
            [this](std::size_t n) { progress_.set(n); }, why);
        progress_.finish();
        if (!saved) {
            tell(why);
            return kCameraFailed;
        }
        io_.out << "saved the EEPROM of the camera at " << hexByte(camAddr_) << " to "
                << io::printable(options_.command.file) << '\n';
        return kCommandDone;
    }

    void scriptRecord() {
        record_["script"] = input_.scriptPath;
        record_["sha256"] = input_.scriptSha256;
    }

    // Tells every difference and the verdict; the exit status.
    int verdict(const std::vector<camera::EepromDifference>& differences, const char* same) {
        const std::string name = io::printable(options_.command.file);
        for (const camera::EepromDifference& d : differences) io_.out << differenceLine(d) << '\n';
        if (differences.empty()) {
            record_["result"] = "verified";
            io_.out << same << ' ' << name << '\n';
            return kCommandDone;
        }
        record_["result"] = "differs";
        record_["difference"] = differenceRecord(differences.front());
        io_.out << differences.size()
                << (differences.size() == 1 ? " byte differs" : " bytes differ") << " from " << name
                << '\n';
        return kCameraFailed;
    }

    int verify() {
        scriptRecord();
        const std::optional<camera::EepromImage> banks = readBanks("verify");
        if (!banks) return kCameraFailed;
        return verdict(camera::compareEeprom(*banks, input_.script), "the EEPROM equals");
    }

    int program() {
        scriptRecord();
        I2cLink link(bus_);
        eeprom::EepromTables tables;
        tables.scriptImage = input_.script;
        tables.filledEntries = eeprom::kEepromSize;
        const auto progress = [this](camera::ProgrammingProgress p) {
            switch (p) {
                case camera::ProgrammingProgress::Writing:
                    progress_.start("program", camera::writingSteps());
                    break;
                case camera::ProgrammingProgress::Verifying:
                    progress_.finish();
                    break;
                case camera::ProgrammingProgress::Reading:
                    progress_.start("verify", camera::kReadingSteps);
                    break;
                case camera::ProgrammingProgress::Step:
                    progress_.step();
                    break;
            }
        };
        const camera::ProgrammingOutcome outcome =
            camera::programScript(link, camAddr_, tables, progress, backupGate());
        progress_.finish();
        switch (outcome.result) {
            case camera::ProgrammingResult::TooShort:
            case camera::ProgrammingResult::Unfindable:
                // Refused before the bus when the script was read.
                return kBadInput;
            case camera::ProgrammingResult::Refused:
                tell(outcome.whyNot);
                return kCameraFailed;
            case camera::ProgrammingResult::WriteFailed:
                tell("a page write failed: the EEPROM is written only in part" + restoreHint());
                return kCameraFailed;
            case camera::ProgrammingResult::ReadBackFailed:
                tell("reading back failed: the EEPROM was written but not verified");
                return kCameraFailed;
            case camera::ProgrammingResult::Verified:
            case camera::ProgrammingResult::Differs:
                break;
        }
        return verdict(camera::compareEeprom(tables.readBackBuf, tables.scriptImage),
                       "programmed and verified");
    }

    int saveSettings() {
        std::string whyNot;
        std::optional<camera::SettingsInput> in = [&] {
            I2cLink link(bus_);
            return camera::readSettings(link, camAddr_, whyNot);
        }();
        if (!in) {
            tell(whyNot + "; nothing was written");
            return kCameraFailed;
        }
        I2cLink link(bus_);
        const camera::SaveOutcome outcome = camera::saveSettings(
            link, camAddr_, input_.offset, *in,
            [&](camera::SaveProgress moment) {
                if (moment == camera::SaveProgress::Starting)
                    progress_.start("save", camera::saveSteps(input_.offset, *in));
                else
                    progress_.step();
            },
            backupGate());
        progress_.finish();
        switch (outcome.result) {
            case camera::SaveResult::Saved:
                io_.out << "saved " << outcome.length << " bytes of settings at bank "
                        << hexByte(kSettingsBank) << " offset " << hexByte(input_.offset) << '\n';
                return kCommandDone;
            case camera::SaveResult::DoesNotFit:
            case camera::SaveResult::Refused:
                tell(outcome.whyNot);
                return kCameraFailed;
            case camera::SaveResult::NotRead:
            case camera::SaveResult::NotCaptured:
                return kCameraFailed;  // readSettings reads and captures what a save needs
            case camera::SaveResult::EraseFailed:
                tell("erasing the settings area failed part-way" + restoreHint());
                return kCameraFailed;
            case camera::SaveResult::ReadFailed:
                tell(
                    "the settings area is erased, but the projection could not be read; no "
                    "settings were written" +
                    restoreHint());
                return kCameraFailed;
            case camera::SaveResult::WriteFailed:
                tell("writing the settings stopped after " + std::to_string(outcome.written) +
                     " of " + std::to_string(outcome.length) + " bytes" + restoreHint());
                return kCameraFailed;
        }
        return kCameraFailed;
    }

    int eraseSettings() {
        I2cLink link(bus_);
        const camera::EraseOutcome outcome =
            camera::eraseSettings(link, camAddr_, input_.offset, backupGate());
        switch (outcome.result) {
            case camera::EraseResult::Erased:
                io_.out << "erased bank " << hexByte(kSettingsBank) << " from offset "
                        << hexByte(input_.offset)
                        << " and the stored address: the camera answers at "
                        << hexByte(outcome.address) << " after its next power-up\n";
                return kCommandDone;
            case camera::EraseResult::Refused:
                tell(outcome.whyNot);
                return kCameraFailed;
            case camera::EraseResult::EraseFailed:
                tell(
                    "erasing the settings area failed part-way; the stored address is as it "
                    "was" +
                    restoreHint());
                return kCameraFailed;
            case camera::EraseResult::AddressClearFailed:
                tell("the settings area is erased, but clearing the stored address failed" +
                     restoreHint());
                return kCameraFailed;
        }
        return kCameraFailed;
    }

    int setAddress() {
        I2cLink link(bus_);
        const camera::AddressChange change =
            camera::changeAddress(link, camAddr_, input_.newAddress, backupGate());
        switch (change.result) {
            case camera::AddressResult::Changed:
                record_["newAddress"] = hexByte(change.address);
                io_.out << "You MUST re-power camera now: it answers at " << hexByte(change.address)
                        << " after that\n";
                return kCommandDone;
            case camera::AddressResult::Unfindable:
            case camera::AddressResult::Refused:
                tell(change.whyNot);
                return kCameraFailed;
            case camera::AddressResult::WriteFailed:
                tell("storing the address failed; the camera still answers at " +
                     hexByte(camAddr_));
                return kCameraFailed;
        }
        return kCameraFailed;
    }

    std::string restoreHint() const {
        if (record_["backup"].is_null()) return "";
        return "; vorlix program " + io::printable(record_["backup"].get<std::string>()) +
               " restores it";
    }

    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    CommandNotifier notifier_;
    Bus bus_;
    ProgressBar progress_;
    std::uint8_t camAddr_ = 0;
    json record_;
};

}  // namespace

std::optional<std::string> prepareCommand(const Options& options, CommandInput& input) {
    const Command& command = options.command;
    if (options.headless || !options.actions.empty() || !options.dump.empty())
        return "--headless, --actions and --dump belong to the window's script; a command runs "
               "without them";
    if (command.name == "program" || command.name == "verify") {
        if (const std::optional<std::string> why =
                readWholeScript(command.file, command.name == "program", input))
            return why;
    }
    if (command.name == "backup") {
        std::error_code ec;
        if (fs::exists(command.file, ec) || fs::is_symlink(command.file, ec))
            return io::printable(command.file) +
                   " exists; a backup never replaces a file (remove it or name another)";
        if (const std::optional<std::string> why = io::checkReplaceable(command.file))
            return io::printable(command.file) + ": cannot write the backup: " + *why;
        for (const std::string* other : {&options.trace, &options.simState, &options.record}) {
            if (!other->empty() && *other != io::kStandardOutput &&
                io::sameFile(*other, command.file))
                return io::printable(command.file) + " is also named as another output";
        }
    }
    if (command.name == "save-settings" || command.name == "erase-settings") {
        if (!command.offset.empty()) {
            const std::optional<std::uint8_t> offset = parseHexByte(command.offset);
            if (!offset)
                return "--offset " + io::printable(command.offset) +
                       ": give the offset in bank a0 as a hex byte (00 to ff)";
            input.offset = *offset;
        }
    }
    if (command.name == "erase-settings" && !command.yes)
        return "erase-settings erases bank a0 from the offset on and the stored camera address; "
               "add --yes to do it";
    if (command.name == "set-address") {
        const std::optional<std::uint8_t> address = parseHexByte(command.newAddress);
        if (!address)
            return "set-address " + io::printable(command.newAddress) +
                   ": give the new address as a hex byte (00 to ff)";
        if (!findableAfterPowerUp(*address))
            return "set-address " + hexByte(*address) +
                   ": the search could never find the camera there (ba and bb belong to the "
                   "image sensor, fa to fe are never searched)";
        input.newAddress = *address;
    }
    if (!options.record.empty()) {
        if (options.record == io::kStandardOutput)
            return "--record needs a file name (records are appended to a file)";
        if (const std::optional<std::string> why = input.record.open(options.record)) return why;
    }
    return std::nullopt;
}

int runCommand(const Options& options, CommandInput& input, const CommandIo& io) {
    Run run(options, input, io);
    return run();
}

}  // namespace vorlix::app
