#pragma once
// The backup made before the first EEPROM write of a run: the four banks read into a QEF file in
// the user's data folder, named by the time and the camera's address, so that restoring is
// programming that file. A backup that cannot be read completely or written stops the
// operation before anything is written.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/eeprom_image.h"
#include "link/i2c_link.h"

namespace vorlix::app {

// Where backups go: $XDG_DATA_HOME/vorlix/backups (~/.local/share/vorlix/backups when it is
// unset or not absolute), %LOCALAPPDATA%\vorlix\backups on Windows. Empty, with why, when the
// environment names no home.
std::string backupFolder(std::string& why);

// What a backup's comment header says besides the date.
struct BackupLabel {
    std::string bus;
    std::string version;
};

// The header lines of a QEF file holding the camera's EEPROM read now.
std::vector<std::string> backupHeader(const BackupLabel& label, std::uint8_t camAddr);

// How a save ended: saved, or why not (taken: path existed, so nothing was written).
struct Saved {
    bool ok = false;
    bool taken = false;
};

// Reads the four banks of the camera at camAddr into bytes and writes them to path as a new
// file (never over one that exists); a line for the person when a read failed or the file
// could not be created. progress follows the bytes read.
Saved saveEeprom(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                 const std::string& path, const std::function<void(std::size_t)>& progress,
                 camera::EepromImage& bytes, std::string& why);

// What a backup's name carries of the bus: a stable name (i2c:usb=1-2, i2c:serial=...) made
// safe for a file name ("usb-1-2"); empty for a bus named otherwise.
std::string busInBackupName(const std::string& bus);

// A backup made: its file, and the bytes it holds (what the camera held just before the run's
// first write).
struct Backup {
    std::string path;
    camera::EepromImage bytes{};
};

// Backs the camera up into a new file of the backup folder, named by the time, the bus where it
// has a stable name and the camera's address; a name taken meanwhile (another station's backup
// in the same second) is passed for the next free one, so no backup ever replaces another. The
// backup, or nothing and why.
std::optional<Backup> backupCamera(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                                   const std::function<void(std::size_t)>& progress,
                                   std::string& why);

// The window's guard of its EEPROM writes: the first write of the run is preceded by a backup
// over bus (its own link, so the handler's link is left as it was), whose path goes to
// notice; a backup that fails refuses the write with the reason, and the next write tries
// again. Once one backup was made, every later write passes.
std::function<std::optional<std::string>(I2cLink&, std::uint8_t)> backupOnFirstWrite(
    const Bus& bus, const BackupLabel& label, std::function<void(const std::string&)> notice);

}  // namespace vorlix::app
