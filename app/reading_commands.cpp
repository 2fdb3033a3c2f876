// The commands that only read the camera: info, backup, verify.
#include <filesystem>

#include "app/command_bodies.h"
#include "camera/bus_reading.h"
#include "camera/readback.h"
#include "camera/white_balance.h"
#include "frame/bus_log.h"
#include "io/hex.h"
#include "io/input_file.h"
#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using io::formatHex;
using io::hexByte;

// A saved trace of a long session (a station's day) is large; one beyond this is no trace.
constexpr std::size_t kTraceMax = std::size_t{1} << 28;

// The read-back as JSON: the same values as the text, numbers in hex.
json infoJson(std::uint8_t camAddr, const camera::Result<camera::CameraReadBack>& read) {
    const camera::CameraReadBack& r = read.value;
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
    j["complete"] = read.done();
    return j;
}

}  // namespace

io::Expected<> checkBackup(const Options& options, CommandInput&) {
    const std::string& file = options.command.file;
    if (io::Expected<> named = checkFileNamed(options.command); !named) return named;
    std::error_code ec;
    if (fs::exists(file, ec) || fs::is_symlink(file, ec))
        return io::Failure{io::printable(file) +
                           " exists; a backup never replaces a file (remove it or name another)"};
    if (const io::Expected<> replaceable = io::checkReplaceable(file); !replaceable)
        return io::Failure{io::printable(file) + ": cannot write the backup: " + replaceable.why()};
    for (const std::string* other : {&options.trace, &options.simState, &options.record}) {
        if (!other->empty() && *other != io::kStandardOutput && io::sameFile(*other, file))
            return io::Failure{io::printable(file) + " is also named as another output"};
    }
    return io::Ok{};
}

io::Expected<> checkDecode(const Options& options, CommandInput& input) {
    const std::string& path = options.command.file;
    io::Expected<std::string, io::ReadFailure> text = io::readWholeFile(path, kTraceMax);
    if (!text)
        return io::Failure{(text.failure().opening ? "cannot open " : "cannot read ") +
                           io::printable(path) + ": " + text.failure().reason};
    input.traceText = std::move(*text);
    return io::Ok{};
}

// Each line as it stands, its reading beside it: no camera and no bus.
int runDecode(CommandRun& run) {
    camera::BusReader reader;
    std::string_view rest = run.input().traceText;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        run.out() << frame::withReading(line, reader.read(line)) << '\n';
    }
    return run.conclude(camera::Result<>{});
}

io::Expected<> checkVerify(const Options& options, CommandInput& input) {
    if (io::Expected<> named = checkFileNamed(options.command); !named) return named;
    return readWholeScript(options.command.file, false, input);
}

// With no camera, the JSON says so: an object whose address is null.
int runInfo(CommandRun& run) {
    if (!run.findCamera()) {
        if (run.command().json)
            run.out() << json{{"address", nullptr}, {"complete", false}}.dump(2) << '\n';
        return kCameraFailed;
    }
    I2cLink link(run.bus());
    const camera::Result<camera::CameraReadBack> read = camera::readBack(link, run.camAddr());
    if (run.command().json) {
        run.out() << infoJson(run.camAddr(), read).dump(2) << '\n';
    } else {
        for (const auto& [key, text] : camera::describeReadBack(run.camAddr(), read.value))
            run.out() << key << ": " << text << '\n';
    }
    return run.conclude(camera::Result<>{.outcome = read.outcome, .words = read.words});
}

// The file is the command's output: a file that cannot be written after the camera was read
// is an output that failed.
int runBackup(CommandRun& run) {
    I2cLink link(run.bus());
    const std::string& file = run.command().file;
    run.progress().start("backup", eeprom::kEepromSize);
    const camera::Result<camera::EepromImage> read =
        camera::readEeprom(link, run.camAddr(), [&run](std::size_t n) { run.progress().set(n); });
    run.progress().finish();
    if (!read) return run.conclude(read);
    const std::string text = camera::qefText(read.value, backupHeader(run.label(), run.camAddr()));
    const io::Expected<io::Created> created = io::createNewFile(file, text);
    if (!created || *created == io::Created::Taken) {
        run.tell("cannot write " + io::printable(file) + ": " +
                 (created ? "it exists now; a backup never replaces a file" : created.why()));
        return kOutputFailed;
    }
    return run.conclude(camera::Result<>{.words = "saved the EEPROM of the camera at " +
                                                  hexByte(run.camAddr()) + " to " +
                                                  io::printable(file)});
}

void tellDifferences(CommandRun& run, const std::vector<camera::EepromDifference>& differences,
                     const camera::EepromImage& bytes) {
    run.record().setEepromAfter(bytes);
    for (const camera::EepromDifference& d : differences)
        run.out() << camera::differenceLine(d) << '\n';
    if (!differences.empty()) run.record().setDifference(differences.front());
}

int runVerify(CommandRun& run) {
    run.record().setScript(run.input().scriptPath, run.input().scriptSha256);
    I2cLink link(run.bus());
    run.progress().start("verify", eeprom::kEepromSize);
    const camera::Result<camera::Verification> verified =
        camera::verifyEeprom(link, run.camAddr(), run.input().script, scriptName(run),
                             [&run](std::size_t n) { run.progress().set(n); });
    run.progress().finish();
    if (verified.outcome != camera::Outcome::Failed)
        tellDifferences(run, verified.value.differences, verified.value.bytes);
    return run.conclude(verified);
}

}  // namespace vorlix::app
