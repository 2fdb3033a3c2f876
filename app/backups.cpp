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

camera::GateAnswer noBackup(const std::string& why) {
    return {.outcome = camera::Outcome::NoBackup,
            .words = "no backup, so nothing was written: " + why};
}

}  // namespace

io::Expected<std::string> backupFolder() {
#ifdef _WIN32
    const std::string base = environment("LOCALAPPDATA");
    if (base.empty()) return io::Failure{"LOCALAPPDATA is not set"};
    return (fs::path(base) / "vorlix" / "backups").string();
#else
    const std::string data = environment("XDG_DATA_HOME");
    if (!data.empty() && fs::path(data).is_absolute())
        return (fs::path(data) / "vorlix" / "backups").string();
    const std::string home = environment("HOME");
    if (home.empty()) return io::Failure{"neither XDG_DATA_HOME nor HOME is set"};
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

camera::GateAnswer backupCamera(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                                const std::function<void(std::size_t)>& progress) {
    const auto refused = [](std::string words) {
        return camera::GateAnswer{.outcome = camera::Outcome::NoBackup, .words = std::move(words)};
    };
    const io::Expected<std::string> folder = backupFolder();
    if (!folder) return refused("no folder for backups: " + folder.why());
    std::error_code ec;
    fs::create_directories(*folder, ec);
    if (ec)
        return refused("cannot create the backup folder " + io::printable(*folder) + ": " +
                       ec.message());
    // Read once, before a name is taken: a clash costs a new name, never a second read.
    const camera::Result<camera::EepromImage> read = camera::readEeprom(link, camAddr, progress);
    if (!read) return noBackup(read.words);
    const std::string text = camera::qefText(read.value, backupHeader(label, camAddr));
    // Two backups within one second get -2, -3 ...; the name is taken by creating the file.
    const std::string bus = busInBackupName(label.bus);
    const std::string stem =
        (fs::path(*folder) / (utcTime("%Y%m%d-%H%M%S") + (bus.empty() ? "" : "-" + bus) + "-cam" +
                              io::hexByte(camAddr)))
            .string();
    for (int n = 1; n <= kMaxBackupsPerSecond; ++n) {
        const std::string path = n == 1 ? stem + ".qef" : stem + "-" + std::to_string(n) + ".qef";
        const io::Expected<io::Created> created = io::createNewFile(path, text);
        if (!created) return noBackup("cannot write " + io::printable(path) + ": " + created.why());
        if (*created == io::Created::New)
            return camera::doneWith(std::shared_ptr<const camera::Backup>(
                std::make_shared<const camera::Backup>(camera::Backup{path, read.value})));
    }
    return noBackup("cannot write " + io::printable(stem) +
                    ".qef: every name of this second is "
                    "taken");
}

panel::EepromWriteGuard backupOnFirstWrite(const Bus& bus, const BackupLabel& label,
                                           std::function<void(const std::string&)> notice) {
    auto made = std::make_shared<std::shared_ptr<const camera::Backup>>();
    return [bus, label, notice = std::move(notice), made](I2cLink&, std::uint8_t camAddr,
                                                          const panel::GuardProgress& progress) {
        if (*made) return camera::doneWith(*made);
        I2cLink link(bus);
        progress(0);
        camera::GateAnswer backup = backupCamera(link, camAddr, label, progress);
        if (!backup) return backup;
        *made = backup.value;
        notice("backup of the EEPROM: " + backup.value->path);
        return backup;
    };
}

}  // namespace vorlix::app
