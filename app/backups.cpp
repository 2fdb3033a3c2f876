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

// More backups of one camera in one second than any bench makes: a folder that answers every
// name with "exists" is broken, and is told rather than tried for ever.
constexpr int kMaxBackupsPerSecond = 1000;

// The QEF text of the camera's EEPROM read now, the bytes in bytes; nothing and why when a read
// failed.
std::optional<std::string> readBackup(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                                      const std::function<void(std::size_t)>& progress,
                                      camera::EepromImage& bytes, std::string& why) {
    const camera::EepromRead read = camera::readEeprom(link, camAddr, progress);
    if (!read.complete()) {
        why = "reading the EEPROM failed at " + camera::eepromPlace(read.count);
        return std::nullopt;
    }
    bytes = read.bytes;
    return camera::qefText(read.bytes, backupHeader(label, camAddr));
}

Saved writeBackup(const std::string& path, const std::string& text, std::string& why) {
    Saved saved;
    std::string reason;
    saved.ok = io::createNewFile(path, text, reason, saved.taken);
    if (!saved.ok) why = "cannot write " + io::printable(path) + ": " + reason;
    return saved;
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

Saved saveEeprom(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                 const std::string& path, const std::function<void(std::size_t)>& progress,
                 camera::EepromImage& bytes, std::string& why) {
    const std::optional<std::string> text = readBackup(link, camAddr, label, progress, bytes, why);
    if (!text) return {};
    return writeBackup(path, *text, why);
}

std::string busInBackupName(const std::string& bus) {
    constexpr char kI2c[] = "i2c:";
    if (bus.rfind(kI2c, 0) != 0) return "";
    const std::string arg = bus.substr(sizeof kI2c - 1);
    if (arg.rfind("usb=", 0) != 0 && arg.rfind("serial=", 0) != 0) return "";
    std::string safe;
    for (const char c : arg) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == '.' || c == '_' || c == '-';
        safe += plain ? c : '-';
    }
    return safe;
}

std::optional<Backup> backupCamera(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
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
    // Read once, before a name is taken: a clash costs a new name, never a second read.
    Backup backup;
    const std::optional<std::string> text =
        readBackup(link, camAddr, label, progress, backup.bytes, why);
    if (!text) {
        why = "no backup, so nothing was written: " + why;
        return std::nullopt;
    }
    // Two backups within one second get -2, -3 ...; the name is taken by creating the file.
    const std::string bus = busInBackupName(label.bus);
    const std::string stem =
        (fs::path(folder) / (utcTime("%Y%m%d-%H%M%S") + (bus.empty() ? "" : "-" + bus) + "-cam" +
                             io::hexByte(camAddr)))
            .string();
    for (int n = 1;; ++n) {
        const std::string path = n == 1 ? stem + ".qef" : stem + "-" + std::to_string(n) + ".qef";
        const Saved saved = writeBackup(path, *text, why);
        if (saved.ok) {
            backup.path = path;
            return backup;
        }
        if (!saved.taken || n == kMaxBackupsPerSecond) {
            why = "no backup, so nothing was written: " + why;
            return std::nullopt;
        }
    }
}

std::function<std::optional<std::string>(I2cLink&, std::uint8_t)> backupOnFirstWrite(
    const Bus& bus, const BackupLabel& label, std::function<void(const std::string&)> notice) {
    auto done = std::make_shared<bool>(false);
    return [bus, label, notice = std::move(notice), done](
               I2cLink&, std::uint8_t camAddr) -> std::optional<std::string> {
        if (*done) return std::nullopt;
        I2cLink link(bus);
        std::string why;
        const std::optional<Backup> backup = backupCamera(
            link, camAddr, label, [](std::size_t) {}, why);
        if (!backup) return why;
        *done = true;
        notice("backup of the EEPROM: " + backup->path);
        return std::nullopt;
    };
}

}  // namespace vorlix::app
