#include "app/run_options.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

io::Expected<> checkOptions(const Options& options, const BackendTraits& backend) {
    if (options.virtualTime && !backend.virtualTime)
        return io::Failure{
            "--virtual-time works with the simulated camera only; a real camera needs its "
            "pauses"};
    if (options.simStateGiven && !backend.stateFile)
        return io::Failure{"--sim-state works with the simulated camera only (--bus sim)"};
    if (options.simStateGiven && options.simState.empty())
        return io::Failure{
            "--sim-state needs a file name (leave the option out for no state file)"};
    if (options.recordGiven && options.record.empty())
        return io::Failure{"--record needs a file name (leave the option out for no record)"};

    const std::vector<std::pair<const char*, const std::string*>> outputs = {
        {"--trace", &options.trace},
        {"--dump", &options.dump},
        {"--sim-state", &options.simState},
        {"--record", &options.record}};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& a = *outputs[i].second;
        if (a.empty() || a == io::kStandardOutput) continue;
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& b = *outputs[j].second;
            if (b.empty() || b == io::kStandardOutput || !io::sameFile(a, b)) continue;
            return io::Failure{std::string(outputs[i].first) + " and " + outputs[j].first +
                               " name the same file " + io::printable(a) + "; each needs its own"};
        }
    }
    if (!options.simState.empty()) {
        if (const io::Expected<> replaceable = io::checkReplaceable(options.simState); !replaceable)
            return io::Failure{io::printable(options.simState) +
                               ": cannot write the state: " + replaceable.why()};
    }
    return io::Ok{};
}

io::Expected<> displayProblem() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) return io::Ok{};
    return io::Failure{
        "no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set): give a "
        "COMMAND (vorlix --help lists them), use --headless with an action script, or start the "
        "window under xvfb-run"};
}

}  // namespace vorlix::app
