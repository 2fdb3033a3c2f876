#pragma once
// The built-in camera with some sensor registers set differently.
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "sim/sim_camera.h"

namespace vorlix::test {

inline sim::SimState cameraWith(
    std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> registers) {
    sim::SimState s = sim::SimState::builtInDefault();
    for (auto [reg, value] : registers) s.registers[reg] = value;
    return s;
}

}  // namespace vorlix::test
