#pragma once
// How a sub-address travels on the bus, shared by everything that turns adapter calls into
// bytes (the trace, the simulated bus).
#include <cstdint>
#include <vector>

namespace vorlix {

// The subLength bytes of subAddress, most significant first: length 2 sends the high byte
// first, length 1 only the low byte. A 32-bit value has at most four bytes, so longer lengths
// give four.
inline std::vector<std::uint8_t> subAddressBytes(std::uint32_t subLength,
                                                 std::uint32_t subAddress) {
    const std::uint32_t length = subLength < 4 ? subLength : 4;
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = length; i > 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(subAddress >> (8 * (i - 1))));
    }
    return bytes;
}

}  // namespace vorlix
