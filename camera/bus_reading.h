#pragma once
// The bus in the camera's words: each line of a bus trace (link/trace.h) read with the camera
// map, as the camera takes it. A camera command is two transactions, so the reader keeps the
// header it saw and gives the command's reading on the line that completes it:
//
//   W 70 01 a0 fe !15        probe 70: none
//   W 70 03 30 1c            (the header of the read below)
//   R 71 2 : 01 03           sensor 301c = 0103
//   W 70 00 a6 50
//   W 70 72                  eeprom a6:50 <- 72
//   W ba c8 92 00 10         sensor c892 <- 0010 (direct)
//
// Lines that are no transfer (pauses, boxes, the player's actions) and transfers the camera
// map does not know have no reading.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlix::camera {

class BusReader {
public:
    // The reading of the next line of a trace ("" for none).
    std::string read(std::string_view line);

private:
    struct Header {
        std::uint8_t slave, code, p1, p2;
    };
    std::optional<Header> pending_;
    std::optional<std::uint8_t> probed_;  // a probe that was answered: its read completes it
};

}  // namespace vorlix::camera
