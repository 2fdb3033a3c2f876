#include "sim/sim_backend.h"

#include <memory>

namespace vorlix::sim {

void registerSimBackend(AdapterRegistry& registry) {
    BackendInfo info;
    info.name = "sim";
    info.summary = "built-in simulated camera";
    info.create = [](const std::string& arg, std::string& error) -> std::unique_ptr<Adapter> {
        if (!arg.empty()) {
            error = "bus \"sim\" takes no argument (got \"" + arg + "\"); use --sim-state FILE";
            return nullptr;
        }
        return std::make_unique<OwningSimAdapter>();
    };
    info.listBuses = [] { return std::vector<std::string>{"sim"}; };  // always there
    registry.add(std::move(info));
}

}  // namespace vorlix::sim
