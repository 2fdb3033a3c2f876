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

// A SimAdapter that owns its camera: what "--bus sim" builds.
class OwningSimAdapter : private SimCameraHolder, public SimAdapter {
public:
    explicit OwningSimAdapter(SimState state = SimState::builtInDefault())
        : SimCameraHolder{SimCamera(std::move(state))}, SimAdapter(heldCamera) {}

    SimCamera& camera() { return heldCamera; }
};

// Registers "sim": simulated, with virtual time allowed, a camera that can be repowered and a
// state file, named after "sim:" (one per socket of a station) or by --sim-state. Its camera
// starts from the state file when that exists, else as the built-in default (the file is then
// created when the state is saved); a state file that cannot be read or is malformed fails the
// build with loadSimState's line.
void registerSimBackend(AdapterRegistry& registry);

}  // namespace vorlix::sim
