#include "app/window_module.h"

#include <dlfcn.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace vorlix::app {

namespace fs = std::filesystem;

io::Expected<> WindowModule::load() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return io::Failure{"cannot find the program's own folder, where its window is: " +
                           error.message()};
    const fs::path folder = program.parent_path();
    const std::array<fs::path, 2> places = {
        folder / kWindowModuleFile,
        (folder / ".." / VORLIX_MODULE_DIR / kWindowModuleFile).lexically_normal()};
    for (const fs::path& path : places) {
        if (!fs::exists(path, error)) continue;
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return io::Failure{std::string("cannot load the window: ") + dlerror()};
        entry_ = reinterpret_cast<WindowEntry>(dlsym(module, kWindowEntryName));
        if (entry_ == nullptr)
            return io::Failure{path.string() +
                               " is the window of another version of vorlix; install the "
                               "program and its window together"};
        return io::Ok{};
    }
    return io::Failure{"the window (" + std::string(kWindowModuleFile) +
                       ") is missing: looked for " + places[0].string() + " and " +
                       places[1].string() +
                       "; install it with the program, or use --headless and an action script"};
}

}  // namespace vorlix::app
