#include "app/backups.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "camera/eeprom_image.h"
#include "io/output_file.h"
#include "io/printable.h"
#include "link/trace.h"

namespace vorlix::app {

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::tm utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    return utc;
}

std::string formatTime(const std::tm& t, const char* format) {
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &t));
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
        "date: " + formatTime(utcNow(), "%Y-%m-%dT%H:%M:%SZ"),
        "bus: " + io::printable(label.bus),
        "camera address: " + hexByte(camAddr),
        "tool: vorlix " + label.version,
    };
}

bool saveEeprom(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                const std::string& path, const std::function<void(std::size_t)>& progress,
                std::string& why) {
    const camera::EepromRead read = camera::readEeprom(link, camAddr, progress);
    if (!read.complete()) {
        why = "reading the EEPROM failed at bank " +
              hexByte(bankWriteForm(read.count / kBankSize)) + " offset " +
              hexByte(static_cast<std::uint8_t>(read.count % kBankSize));
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
        (fs::path(folder) / (formatTime(utcNow(), "%Y%m%d-%H%M%S") + "-cam" + hexByte(camAddr)))
            .string();
    std::string path = stem + ".qef";
    for (int n = 2; fs::exists(path, ec); ++n) path = stem + "-" + std::to_string(n) + ".qef";
    if (!saveEeprom(link, camAddr, label, path, progress, why)) {
        why = "no backup, so nothing was written: " + why;
        return std::nullopt;
    }
    return path;
}

}  // namespace vorlix::app
