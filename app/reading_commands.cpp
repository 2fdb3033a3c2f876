// The commands that only read the camera: info, backup, verify.
#include <filesystem>

#include "app/command_bodies.h"
#include "camera/readback.h"
#include "camera/white_balance.h"
#include "io/hex.h"
#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using camera::eepromPlace;
using io::formatHex;
using io::hexByte;

std::string differenceLine(const camera::EepromDifference& d) {
    return eepromPlace(d.at) + ": camera " + hexByte(d.camera) + ", file " + formatHex(d.file);
}

// The read-back as JSON: the same values as the text, numbers in hex.
json infoJson(std::uint8_t camAddr, const camera::CameraReadBack& r) {
    json j;
    j["address"] = hexByte(camAddr);
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
            for (std::uint16_t overlay : *r.overlays)
                shown.push_back(camera::overlayShown(overlay));
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
        j["trim"] = {{"x", formatHex(static_cast<std::uint32_t>(
                               camera::shownTrim(static_cast<std::int16_t>(*r.trimX))))},
                     {"y", formatHex(static_cast<std::uint32_t>(
                               camera::shownTrim(static_cast<std::int16_t>(*r.trimY))))}};
    }
    j["complete"] = camera::readBackComplete(r);
    return j;
}

}  // namespace

std::optional<std::string> checkBackup(const Options& options, CommandInput&) {
    const std::string& file = options.command.file;
    if (const std::optional<std::string> why = checkFileNamed(options.command)) return why;
    std::error_code ec;
    if (fs::exists(file, ec) || fs::is_symlink(file, ec))
        return io::printable(file) +
               " exists; a backup never replaces a file (remove it or name another)";
    if (const std::optional<std::string> why = io::checkReplaceable(file))
        return io::printable(file) + ": cannot write the backup: " + *why;
    for (const std::string* other : {&options.trace, &options.simState, &options.record}) {
        if (!other->empty() && *other != io::kStandardOutput && io::sameFile(*other, file))
            return io::printable(file) + " is also named as another output";
    }
    return std::nullopt;
}

std::optional<std::string> checkVerify(const Options& options, CommandInput& input) {
    if (const std::optional<std::string> why = checkFileNamed(options.command)) return why;
    return readWholeScript(options.command.file, false, input);
}

int runInfo(CommandRun& run) {
    I2cLink link(run.bus());
    const camera::CameraReadBack r = camera::readBack(link, run.camAddr());
    if (run.command().json) {
        run.out() << infoJson(run.camAddr(), r).dump(2) << '\n';
    } else {
        for (const auto& [key, text] : camera::describeReadBack(run.camAddr(), r))
            run.out() << key << ": " << text << '\n';
    }
    if (!camera::readBackComplete(r)) {
        run.tell("the read-back stopped at a failed transfer; what follows it was not read");
        return kCameraFailed;
    }
    return kCommandDone;
}

int runBackup(CommandRun& run) {
    I2cLink link(run.bus());
    const std::string& file = run.command().file;
    run.progress().start("backup", eeprom::kEepromSize);
    std::string why;
    camera::EepromImage bytes{};
    const Saved saved = saveEeprom(
        link, run.camAddr(), run.label(), file, [&run](std::size_t n) { run.progress().set(n); },
        bytes, why);
    run.progress().finish();
    if (!saved.ok) {
        run.tell(why);
        return kCameraFailed;
    }
    run.out() << "saved the EEPROM of the camera at " << hexByte(run.camAddr()) << " to "
              << io::printable(file) << '\n';
    return kCommandDone;
}

int tellVerdict(CommandRun& run, const std::vector<camera::EepromDifference>& differences,
                const char* same, const std::string& after) {
    const std::string name = io::printable(run.command().file);
    for (const camera::EepromDifference& d : differences) run.out() << differenceLine(d) << '\n';
    if (differences.empty()) {
        run.record().setResult("verified");
        run.out() << same << ' ' << name << after << '\n';
        return kCommandDone;
    }
    run.record().setResult("differs");
    run.record().setDifference(differences.front());
    run.out() << differences.size() << (differences.size() == 1 ? " byte differs" : " bytes differ")
              << " from " << name << after << '\n';
    return kCameraFailed;
}

int runVerify(CommandRun& run) {
    run.record().setScript(run.input().scriptPath, run.input().scriptSha256);
    I2cLink link(run.bus());
    run.progress().start("verify", eeprom::kEepromSize);
    const camera::EepromRead read =
        camera::readEeprom(link, run.camAddr(), [&run](std::size_t n) { run.progress().set(n); });
    run.progress().finish();
    if (!read.complete()) {
        run.tell("reading the EEPROM failed at " + eepromPlace(read.count));
        return kCameraFailed;
    }
    run.record().setEepromAfter(read.bytes);
    return tellVerdict(run, camera::compareEeprom(read.bytes, run.input().script),
                       "the EEPROM equals");
}

}  // namespace vorlix::app
