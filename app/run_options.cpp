#include "app/run_options.h"

#include <utility>
#include <vector>

#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

std::optional<std::string> checkOptions(const Options& options) {
    const bool simulated = isSimulatedBus(options.bus);
    if (options.virtualTime && !simulated)
        return "--virtual-time works with the simulated camera only; a real camera needs its "
               "pauses";
    if (options.simStateGiven && !simulated)
        return "--sim-state works with the simulated camera only (--bus sim)";
    if (options.simStateGiven && options.simState.empty())
        return "--sim-state needs a file name (leave the option out for no state file)";

    const std::vector<std::pair<const char*, const std::string*>> outputs = {
        {"--trace", &options.trace}, {"--dump", &options.dump}, {"--sim-state", &options.simState}};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& a = *outputs[i].second;
        if (a.empty() || a == io::kStandardOutput) continue;
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& b = *outputs[j].second;
            if (b.empty() || b == io::kStandardOutput || !io::sameFile(a, b)) continue;
            return std::string(outputs[i].first) + " and " + outputs[j].first +
                   " name the same file " + io::printable(a) + "; each needs its own";
        }
    }
    if (!options.simState.empty()) {
        if (const std::optional<std::string> why = io::checkReplaceable(options.simState))
            return io::printable(options.simState) + ": cannot write the state: " + *why;
    }
    return std::nullopt;
}

}  // namespace vorlix::app
