#pragma once
// The adapters this build offers, chosen by name on the command line.
#include <memory>
#include <ostream>
#include <string>

#include "link/adapter_registry.h"
#include "sim/sim_camera.h"

namespace vorlix::app {

// sim, i2c and (where it can load) pxiic.
void registerBackends(AdapterRegistry& registry);
// --bus list: every backend with the buses it sees.
void printBackends(const AdapterRegistry& registry, std::ostream& out);
// The vendor library on Windows, the simulated camera elsewhere.
std::string defaultBus();
bool isSimulatedBus(const std::string& spec);

// The simulated camera with its state: from statePath when that file exists, else the
// built-in default camera. Throws sim::SimStateError for an unreadable or malformed file.
class SimBackend : public Adapter {
public:
    explicit SimBackend(sim::SimState state) : camera_(std::move(state)), adapter_(camera_) {}
    sim::SimCamera& camera() { return camera_; }

    AdapterHandle open(std::uint8_t slave, std::uint32_t t, std::uint32_t s) override {
        return adapter_.open(slave, t, s);
    }
    void select(AdapterHandle h, std::uint8_t slave) override { adapter_.select(h, slave); }
    std::uint16_t write(AdapterHandle h, const std::uint8_t* d, std::uint32_t r,
                        std::uint32_t n) override {
        return adapter_.write(h, d, r, n);
    }
    std::uint16_t writeSub(AdapterHandle h, std::uint32_t sl, std::uint32_t sa,
                           const std::uint8_t* d, std::uint32_t n, std::uint32_t r) override {
        return adapter_.writeSub(h, sl, sa, d, n, r);
    }
    std::uint16_t read(AdapterHandle h, std::uint8_t* b, std::uint32_t r, std::uint32_t n) override {
        return adapter_.read(h, b, r, n);
    }
    std::uint16_t readSub(AdapterHandle h, std::uint32_t sl, std::uint32_t sa, std::uint8_t* b,
                          std::uint32_t n, std::uint32_t r) override {
        return adapter_.readSub(h, sl, sa, b, n, r);
    }
    void close(AdapterHandle h) override { adapter_.close(h); }

private:
    sim::SimCamera camera_;
    sim::SimAdapter adapter_;
};

std::unique_ptr<SimBackend> makeSimAdapter(const std::string& statePath);

}  // namespace vorlix::app
