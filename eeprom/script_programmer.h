#pragma once
// Programming the four configuration EEPROM banks from a script file, and the verification
// that reads them back. A run stops at the first page write or read-back byte that fails; a
// successful run ends silently with the progress bar at its start.
#include <cstdint>
#include <string>

#include "eeprom/eeprom_tables.h"
#include "frame/controls.h"
#include "frame/host.h"
#include "link/i2c_link.h"

namespace vorlix::eeprom {

inline constexpr short kRunProgressMin = 1;
inline constexpr short kRunProgressMax = 242;

class ScriptProgrammer {
public:
    // lastError is the dialog's copy of the link's error latch during the run.
    ScriptProgrammer(const Bus& bus, frame::Host& host, frame::CProgressCtrl& progress,
                     EepromTables& tables, std::uint8_t camAddr, std::uint8_t& lastError);

    // Parses the script at path, writes its entries 0..1023 into the four banks and, when
    // every page went through, verifies them against the file as it is then. A file that
    // cannot be read, or that leaves entries 0..1023 to the zero start image (no file of
    // this run filled them), is told in a box and nothing more is sent. The caller has set the
    // progress range and resets the bar and lastError afterwards.
    void run(const std::string& path);

private:
    // Parses path into the script image; false (after a box) when it cannot be read. Keeps
    // the tables' count of filled entries and, when given, tells how many this file filled.
    bool parse(const std::string& path, std::size_t* entries = nullptr);
    void programScript(const std::string& path);
    void verifyScript(const std::string& path);
    // True when a read-back byte failed (after a box).
    bool readBackScript();
    void compareScript();

    I2cLink link_;
    frame::Host& host_;
    frame::CProgressCtrl& progress_;
    EepromTables& tables_;
    std::uint8_t camAddr_;
    std::uint8_t& lastError_;
};

}  // namespace vorlix::eeprom
