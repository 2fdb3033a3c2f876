#pragma once
// The simulated camera as a bus backend, chosen by name like the real ones.
#include <utility>

#include "link/adapter_registry.h"
#include "sim/sim_camera.h"

namespace vorlix::sim {

// Holds the camera so that it is built before the adapter that drives it.
struct SimCameraHolder {
    SimCamera heldCamera;
};

// A SimAdapter that owns its camera: what "--bus sim" builds. The program reaches the camera
// through camera() to save its state at the end and to repower it.
class OwningSimAdapter : private SimCameraHolder, public SimAdapter {
public:
    explicit OwningSimAdapter(SimState state = SimState::builtInDefault())
        : SimCameraHolder{SimCamera(std::move(state))}, SimAdapter(heldCamera) {}

    SimCamera& camera() { return heldCamera; }
};

// Registers "sim". It takes no argument; its camera starts as the built-in default.
void registerSimBackend(AdapterRegistry& registry);

}  // namespace vorlix::sim
