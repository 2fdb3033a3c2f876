#pragma once
// The simulated camera module behind the fake kernel. Each transaction the kernel delivers
// becomes the byte-level transaction the module sees, at the 8-bit address the 7-bit one
// stands for (write form for writes and write-then-read pairs, read form for reads), and the
// module's answer comes back as the errno a kernel driver reports for it, chosen so that the
// i2c-dev backend turns it into the status the module gave.
#include <cstdint>
#include <vector>

#include "fake_kernel.h"
#include "sim/sim_camera.h"

namespace vorlix::test {

class SimBusDevices : public BusDevices {
public:
    explicit SimBusDevices(sim::SimCamera& camera) : camera_(camera) {}

    int write(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes) override;
    int read(std::uint16_t addr7, std::uint8_t* buffer, std::size_t count) override;
    int writeRead(std::uint16_t addr7, const std::vector<std::uint8_t>& bytes, std::uint8_t* buffer,
                  std::size_t count) override;

private:
    sim::SimCamera& camera_;
};

// 0 or -errno for an adapter status of the module. A status that no kernel error stands for
// arrives as EIO, the drivers' plain I/O error.
int kernelResultForStatus(std::uint16_t status);

}  // namespace vorlix::test
