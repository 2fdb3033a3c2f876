#include "sim/sim_backend.h"

#include <filesystem>
#include <memory>

#include "io/printable.h"

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
        if (!request.arg.empty() && !request.statePath.empty())
            return io::Failure{"--bus sim:" + io::printable(request.arg) + " and --sim-state " +
                               io::printable(request.statePath) +
                               " both name the state file; give it once"};
        const std::string statePath = request.arg.empty() ? request.statePath : request.arg;
        io::Expected<std::unique_ptr<OwningSimAdapter>> adapter = startCamera(statePath);
        if (!adapter) return adapter.failure();
        SimCamera* camera = &(*adapter)->camera();
        OpenedBus bus;
        bus.adapter = std::move(*adapter);
        bus.repower = [camera] { camera->repower(); };
        if (!statePath.empty()) {
            bus.saveState = [camera, path = statePath] {
                return saveSimState(camera->state(), path);
            };
        }
        return bus;
    };
    info.listBuses = [] { return std::vector<std::string>{"sim"}; };  // always there
    registry.add(std::move(info));
}

}  // namespace vorlix::sim
