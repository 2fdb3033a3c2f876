#include "sim/sim_backend.h"

#include <filesystem>
#include <memory>

namespace vorlix::sim {

namespace {

io::Expected<std::unique_ptr<OwningSimAdapter>> startCamera(const std::string& statePath) {
    std::error_code ec;
    if (statePath.empty() || !std::filesystem::exists(statePath, ec))
        return std::make_unique<OwningSimAdapter>();
    io::Expected<SimState> state = loadSimState(statePath);
    if (!state) return state.failure();
    return std::make_unique<OwningSimAdapter>(std::move(*state));
}

}  // namespace

void registerSimBackend(AdapterRegistry& registry) {
    BackendInfo info;
    info.name = "sim";
    info.summary = "built-in simulated camera";
    info.traits = {.simulated = true, .virtualTime = true, .stateFile = true, .repower = true};
    info.create = [](const BackendRequest& request) -> io::Expected<OpenedBus> {
        if (!request.arg.empty())
            return io::Failure{"bus \"sim\" takes no argument (got \"" + request.arg +
                               "\"); use --sim-state FILE"};
        io::Expected<std::unique_ptr<OwningSimAdapter>> adapter = startCamera(request.statePath);
        if (!adapter) return adapter.failure();
        SimCamera* camera = &(*adapter)->camera();
        OpenedBus bus;
        bus.adapter = std::move(*adapter);
        bus.repower = [camera] { camera->repower(); };
        if (!request.statePath.empty()) {
            bus.saveState = [camera, path = request.statePath] {
                return saveSimState(camera->state(), path);
            };
        }
        return bus;
    };
    info.listBuses = [] { return std::vector<std::string>{"sim"}; };  // always there
    registry.add(std::move(info));
}

}  // namespace vorlix::sim
