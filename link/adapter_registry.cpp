#include "link/adapter_registry.h"

#include <algorithm>
#include <utility>

namespace vorlix {

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

std::unique_ptr<Adapter> AdapterRegistry::create(const std::string& choice,
                                                 std::string& error) const {
    const std::size_t colon = choice.find(':');
    const std::string name = choice.substr(0, colon);
    const std::string arg = colon == std::string::npos ? std::string() : choice.substr(colon + 1);

    const BackendInfo* backend = find(name);
    if (backend == nullptr) {
        std::string names;
        for (const BackendInfo& b : backends_) {
            names += names.empty() ? b.name : ", " + b.name;
        }
        error =
            "unknown bus \"" + name + "\" (available: " + (names.empty() ? "none" : names) + ")";
        return nullptr;
    }
    error.clear();
    return backend->create(arg, error);
}

}  // namespace vorlix
