#include "sim/sim_backend.h"

#include <filesystem>
#include <memory>

namespace vorlix::sim {

namespace {

std::unique_ptr<OwningSimAdapter> startCamera(const std::string& statePath) {
    std::error_code ec;
    if (statePath.empty() || !std::filesystem::exists(statePath, ec))
        return std::make_unique<OwningSimAdapter>();
    return std::make_unique<OwningSimAdapter>(loadSimState(statePath));
}

}  // namespace

void registerSimBackend(AdapterRegistry& registry) {
    BackendInfo info;
    info.name = "sim";
    info.summary = "built-in simulated camera";
    info.traits = {.simulated = true, .virtualTime = true, .stateFile = true, .repower = true};
    info.create = [](const BackendRequest& request, std::string& error) -> OpenedBus {
        if (!request.arg.empty()) {
            error =
                "bus \"sim\" takes no argument (got \"" + request.arg + "\"); use --sim-state FILE";
            return {};
        }
        std::unique_ptr<OwningSimAdapter> adapter;
        try {
            adapter = startCamera(request.statePath);
        } catch (const SimStateError& e) {
            error = e.what();
            return {};
        }
        SimCamera* camera = &adapter->camera();
        OpenedBus bus;
        bus.adapter = std::move(adapter);
        bus.repower = [camera] { camera->repower(); };
        if (!request.statePath.empty()) {
            bus.saveState = [camera, path = request.statePath]() -> std::optional<std::string> {
                try {
                    saveSimState(camera->state(), path);
                } catch (const SimStateError& e) {
                    return e.what();
                }
                return std::nullopt;
            };
        }
        return bus;
    };
    info.listBuses = [] { return std::vector<std::string>{"sim"}; };  // always there
    registry.add(std::move(info));
}

}  // namespace vorlix::sim
