#include "link/adapter_registry.h"

#include <algorithm>
#include <utility>

namespace vorlix {

namespace {

// "i2c:/dev/i2c-3" as "i2c" and "/dev/i2c-3": the name ends at the first colon.
std::pair<std::string, std::string> splitChoice(const std::string& choice) {
    const std::size_t colon = choice.find(':');
    return {choice.substr(0, colon),
            colon == std::string::npos ? std::string() : choice.substr(colon + 1)};
}

}  // namespace

void AdapterRegistry::add(BackendInfo info) {
    // A second registration under a name replaces the first: one name, one backend.
    auto it = std::find_if(backends_.begin(), backends_.end(),
                           [&](const BackendInfo& b) { return b.name == info.name; });
    if (it != backends_.end()) {
        *it = std::move(info);
    } else {
        backends_.push_back(std::move(info));
    }
}

const BackendInfo* AdapterRegistry::find(const std::string& name) const {
    for (const BackendInfo& b : backends_) {
        if (b.name == name) {
            return &b;
        }
    }
    return nullptr;
}

BackendTraits AdapterRegistry::traitsOf(const std::string& choice) const {
    const BackendInfo* backend = find(splitChoice(choice).first);
    return backend == nullptr ? BackendTraits{} : backend->traits;
}

io::Expected<OpenedBus> AdapterRegistry::create(const std::string& choice,
                                                const std::string& statePath) const {
    auto [name, arg] = splitChoice(choice);
    const BackendInfo* backend = find(name);
    if (backend == nullptr) {
        std::string names;
        for (const BackendInfo& b : backends_) {
            names += names.empty() ? b.name : ", " + b.name;
        }
        return io::Failure{"unknown bus \"" + name +
                           "\" (available: " + (names.empty() ? "none" : names) + ")"};
    }
    return backend->create(BackendRequest{std::move(arg), statePath});
}

}  // namespace vorlix
