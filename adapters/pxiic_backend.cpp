#include <windows.h>

#include <memory>

#include "adapters/backends.h"
#include "adapters/pxiic_adapter.h"

namespace vorlix {

void registerPxiicBackend(AdapterRegistry& registry, HintFn hint) {
    registry.add(BackendInfo{
        "pxiic", "the adapter maker's library PXIICDLL.dll, or the one at pxiic:PATH",
        [hint](const BackendRequest& request) -> io::Expected<OpenedBus> {
            return OpenedBus{std::make_unique<PxiicAdapter>(
                request.arg.empty() ? kPxiicDefaultLibrary : request.arg, hint)};
        },
        []() -> std::vector<std::string> {
            // Where the default library would be found, close to the order LoadLibrary
            // searches: the program's folder, the system folders, the PATH.
            char found[MAX_PATH];
            const DWORD length =
                SearchPathA(nullptr, kPxiicDefaultLibrary, nullptr, MAX_PATH, found, nullptr);
            if (length == 0 || length >= MAX_PATH) return {};
            return {std::string("pxiic:") + found};
        }});
}

}  // namespace vorlix
