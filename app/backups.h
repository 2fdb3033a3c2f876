#pragma once
// The backup made before the first EEPROM write of a run: the four banks read into a QEF file in
// the user's data folder, named by the time and the camera's address, so that restoring is
// programming that file. A backup that cannot be read completely or written stops the
// operation before anything is written.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "camera/eeprom_image.h"
#include "camera/result.h"
#include "io/expected.h"
#include "link/i2c_link.h"
#include "panel/vorlix_dlg.h"

namespace vorlix::app {

// Where backups go: $XDG_DATA_HOME/vorlix/backups (~/.local/share/vorlix/backups when it is
// unset or not absolute), %LOCALAPPDATA%\vorlix\backups on Windows; why there is none when the
// environment names no home.
io::Expected<std::string> backupFolder();

// What a backup's comment header says besides the date.
struct BackupLabel {
    std::string bus;
    std::string version;
};

// The header lines of a QEF file holding the camera's EEPROM read now.
std::vector<std::string> backupHeader(const BackupLabel& label, std::uint8_t camAddr);

// What a backup's name carries of the bus: a stable name (i2c:usb=1-2, i2c:serial=...) made
// safe for a file name ("usb-1-2"); empty for a bus named otherwise.
std::string busInBackupName(const std::string& bus);

// Backs the camera up into a new file of the backup folder, named by the time, the bus where it
// has a stable name and the camera's address; a name taken meanwhile (another station's backup
// in the same second) is passed for the next free one, so no backup ever replaces another. The
// backup, or NoBackup and why (nothing was written then).
camera::GateAnswer backupCamera(I2cLink& link, std::uint8_t camAddr, const BackupLabel& label,
                                const std::function<void(std::size_t)>& progress);

// The window's guard of its EEPROM writes: the first write of the run is preceded by a backup
// over bus (its own link, so the handler's link is left as it was), whose read the dialog's
// progress shows and whose path goes to notice; a backup that fails refuses the write with the
// reason, and the next write tries again. Once one backup was made, every later write passes
// with it, reading nothing.
panel::EepromWriteGuard backupOnFirstWrite(const Bus& bus, const BackupLabel& label,
                                           std::function<void(const std::string&)> notice);

}  // namespace vorlix::app
