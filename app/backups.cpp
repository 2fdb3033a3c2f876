#include "app/backups.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/records.h"
#include "camera/eeprom_image.h"
#include "io/hex.h"
#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string backupFolder(std::string& why) {
#ifdef _WIN32
    const std::string base = environment("LOCALAPPDATA");
    if (base.empty()) {
        why = "LOCALAPPDATA is not set";
        return "";
    }
    return (fs::path(base) / "vorlix" / "backups").string();
#else
    const std::string data = environment("XDG_DATA_HOME");
    if (!data.empty() && fs::path(data).is_absolute())
        return (fs::path(data) / "vorlix" / "backups").string();
    const std::string home = environment("HOME");
    if (home.empty()) {
        why = "neither XDG_DATA_HOME nor HOME is set";
        return "";
    }
    return (fs::path(home) / ".local" / "share" / "vorlix" / "backups").string();
#endif
}

std::vector<std::string> backupHeader(const BackupLabel& label, std::uint8_t camAddr) {
    return {
        "The configuration EEPROM of a Halvard K300 camera: banks a0 a2 a4 a6, 1024 bytes.",
        "Programming this file restores it.",
        "date: " + utcTimestamp(),
        "bus: " + io::printable(label.bus),
        "camera address: " + io::hexByte(camAddr),
        "tool: vorlix " + label.version,
    };
}

bool saveEeprom(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                const std::string& path, const std::function<void(std::size_t)>& progress,
                std::string& why) {
    const camera::EepromRead read = camera::readEeprom(link, camAddr, progress);
    if (!read.complete()) {
        why = "reading the EEPROM failed at " + camera::eepromPlace(read.count);
        return false;
    }
    std::string reason;
    if (!io::replaceFile(path, camera::qefText(read.bytes, backupHeader(label, camAddr)), reason)) {
        why = "cannot write " + io::printable(path) + ": " + reason;
        return false;
    }
    return true;
}

std::optional<std::string> backupCamera(I2cLink& link, std::uint8_t camAddr,
                                        const BackupLabel& label,
                                        const std::function<void(std::size_t)>& progress,
                                        std::string& why) {
    std::string folderWhy;
    const std::string folder = backupFolder(folderWhy);
    if (folder.empty()) {
        why = "no folder for backups: " + folderWhy;
        return std::nullopt;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        why = "cannot create the backup folder " + io::printable(folder) + ": " + ec.message();
        return std::nullopt;
    }
    // Two backups within one second get -2, -3 ...: an existing backup is never replaced.
    const std::string stem =
        (fs::path(folder) / (utcTime("%Y%m%d-%H%M%S") + "-cam" + io::hexByte(camAddr))).string();
    std::string path = stem + ".qef";
    for (int n = 2; fs::exists(path, ec); ++n) path = stem + "-" + std::to_string(n) + ".qef";
    if (!saveEeprom(link, camAddr, label, path, progress, why)) {
        why = "no backup, so nothing was written: " + why;
        return std::nullopt;
    }
    return path;
}

std::function<std::optional<std::string>(I2cLink&, std::uint8_t)> backupOnFirstWrite(
    const Bus& bus, const BackupLabel& label, std::function<void(const std::string&)> notice) {
    auto done = std::make_shared<bool>(false);
    return [bus, label, notice = std::move(notice), done](
               I2cLink&, std::uint8_t camAddr) -> std::optional<std::string> {
        if (*done) return std::nullopt;
        I2cLink link(bus);
        std::string why;
        const std::optional<std::string> path = backupCamera(
            link, camAddr, label, [](std::size_t) {}, why);
        if (!path) return why;
        *done = true;
        notice("backup of the EEPROM: " + *path);
        return std::nullopt;
    };
}

}  // namespace vorlix::app
