// The camera a person gets without a state file: a PAL module with automatic exposure and
// white balance, two overlays shown, trim data present and no stored address.
#include "sim/sim_camera.h"

namespace vorlix::sim {

namespace {

constexpr std::size_t kTrimBlockBytes = 580;

// The trim block as the module leaves the factory: stored offsets, eight window words, an
// unused gap and 548 bytes of sensor parameters.
std::array<std::uint8_t, kTrimBlockBytes> factoryTrimBlock() {
    std::array<std::uint8_t, kTrimBlockBytes> block{};
    block[0] = 0x10;  // horizontal offset
    block[1] = 0x0C;  // vertical offset
    constexpr std::uint16_t kWindowWords[8] = {0x0004, 0x0004, 0x02D3, 0x01E3,
                                               0x0000, 0x0000, 0x0280, 0x01E0};
    for (std::size_t i = 0; i < 8; ++i) {
        block[2 + 2 * i] = static_cast<std::uint8_t>(kWindowWords[i] >> 8);
        block[3 + 2 * i] = static_cast<std::uint8_t>(kWindowWords[i]);
    }
    for (std::size_t i = 32; i < kTrimBlockBytes; ++i) {
        block[i] = static_cast<std::uint8_t>(i * 29 + 7);
    }
    // Bank 0xA4 offsets 0xFE/0xFF double as the mirror/flip shadow: neither set.
    block[510] = 0x00;
    block[511] = 0x00;
    return block;
}

}  // namespace

SimState SimState::builtInDefault() {
    SimState state;
    state.registers = {
        {0x0040, 0x0000},  // host command register, idle
        {0x3012, 0x0120},  // shutter
        {0x301C, 0x0000},  // no mirror, no flip
        {0x3254, 0xC000},  // projection companion: only its upper bits set
        {0x326C, 0x2000},  // sharpness gain 4
        {0x4000, 0x0002},  // PAL
        {0x4F02, 0x8000},  // overlays enabled
        {0x4F08, 0x8000},  // overlay 1 shown, number 0
        {0x4F0A, 0x0001},  // overlay 2 hidden, number 1
        {0x4F0C, 0x8002},  // overlay 3 shown, number 2
        {0x4F0E, 0x0003},  // overlay 4 hidden, number 3
        {0xA804, 0x000F},  // automatic exposure
        {0xA812, 0x0050},  // AEX reference
        {0xAC04, 0x00FF},  // white balance adapts
    };
    for (std::uint16_t r = 0xAC00; r <= 0xAC4E; r += 2) {
        if (r != 0xAC04) {
            state.registers[r] = static_cast<std::uint16_t>(0x0080 + ((r - 0xAC00) * 0x2B) % 0x180);
        }
    }

    for (auto& bank : state.eeprom) {
        bank.fill(0xFF);
    }
    const auto block = factoryTrimBlock();
    for (std::size_t i = 0; i < block.size(); ++i) {
        state.eeprom[1 + i / 256][i % 256] = block[i];
    }
    return state;
}

}  // namespace vorlix::sim
