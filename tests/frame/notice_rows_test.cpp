// A status line in rows: the words that say what to do are never cut, a path gives way first.
#include "frame/notice_rows.h"

#include <gtest/gtest.h>

namespace vorlix::frame {
namespace {

using Rows = std::vector<std::string>;

// One unit a character, as a fixed-pitch font draws it.
int characters(const std::string& text) {
    int n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

Rows rows(const std::string& line, int width) {
    return noticeRows(line, width, characters);
}

TEST(NoticeRows, APathGivesWayFirstAndTheWordsOfTheFixStayWhole) {
    const struct {
        const char* line;
        int width;
        Rows shown;
    } cases[] = {
        {"settings saved in bank a0 from offset 20",
         40,
         {"settings saved in bank a0 from offset 20"}},
        // The path keeps its start and its file name.
        {"backup of the EEPROM: /home/tech/.local/share/vorlix/backups/20240101-120000-70.qef",
         60,
         {"backup of the EEPROM: /home/tech/.lo\u2026/20240101-120000-70.qef"}},
        // When the rest alone does not fit, the line wraps at its spaces, every word whole.
        {"/dev/i2c-7 does not exist: plug in the adapter, load the i2c-dev module (sudo modprobe "
         "i2c-dev), or choose a bus from vorlix --bus list",
         60,
         {"/dev/i2c-7 does not exist: plug in the adapter, load the",
          "i2c-dev module (sudo "
          "modprobe i2c-dev), or choose a bus from",
          "vorlix --bus list"}},
        // A word wider than a row by itself loses its middle, keeping its file name; its row
        // is its own.
        {"programmed and verified C:\\Users\\tech\\Documents\\camera scripts\\k300-default.qef",
         30,
         {"programmed and verified", "C:\\Users\\tech\\Documents\\camera",
          "scripts\\k300-default.qef"}},
        {"programmed and verified /mnt/usb/very/long/folder/name/k300.qef",
         20,
         {"programmed and", "verified", "/mnt/usb/v\u2026/k300.qef"}},
        // A character is never cut in two.
        {"saved /\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9/k.qef",
         16,
         {"saved /\u00e9\u00e9\u2026/k.qef"}},
        {"", 10, {""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rows(c.line, c.width), c.shown) << c.line;
        for (const std::string& row : rows(c.line, c.width)) EXPECT_LE(characters(row), c.width);
    }
}

}  // namespace
}  // namespace vorlix::frame
