#include "app/run_options.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "io/output_file.h"
#include "io/printable.h"

namespace vorlix::app {

std::vector<std::string> allBuses(const Options& options) {
    std::vector<std::string> buses{options.bus};
    buses.insert(buses.end(), options.moreBuses.begin(), options.moreBuses.end());
    return buses;
}

std::string statePathOf(const Options& options, const std::string& bus) {
    const std::size_t colon = bus.find(':');
    return colon == std::string::npos || colon + 1 == bus.size() ? options.simState
                                                                 : bus.substr(colon + 1);
}

namespace {

// What several buses may not be given with, and buses given twice.
io::Expected<> checkSockets(const Options& options) {
    if (options.moreBuses.empty()) return io::Ok{};
    if (!options.command.station)
        return io::Failure{"--bus names one bus; only a station takes several, one per socket"};
    if (!options.trace.empty())
        return io::Failure{
            "--trace follows one bus: a station of several sockets takes none (trace a socket "
            "in a station of its own)"};
    if (options.simStateGiven)
        return io::Failure{
            "--sim-state is the state of one simulated camera: give each socket its own as "
            "--bus sim:FILE"};
    const std::vector<std::string> buses = allBuses(options);
    for (std::size_t i = 0; i < buses.size(); ++i) {
        for (std::size_t j = i + 1; j < buses.size(); ++j) {
            if (buses[i] == buses[j])
                return io::Failure{"--bus " + io::printable(buses[i]) +
                                   " is given twice: each socket needs a bus of its own"};
        }
    }
    return io::Ok{};
}

}  // namespace

io::Expected<> checkOptions(const Options& options, const AdapterRegistry& registry) {
    if (io::Expected<> sockets = checkSockets(options); !sockets) return sockets;
    if (options.retries && options.command.name.empty()) return io::Failure{kRetriesRefused};
    if (options.simStateGiven && options.simState.empty())
        return io::Failure{
            "--sim-state needs a file name (leave the option out for no state file)"};
    if (options.recordGiven && options.record.empty())
        return io::Failure{"--record needs a file name (leave the option out for no record)"};

    std::vector<std::pair<std::string, std::string>> outputs = {
        {"--trace", options.trace}, {"--dump", options.dump}, {"--record", options.record}};
    for (const std::string& bus : allBuses(options)) {
        const BackendTraits backend = registry.traitsOf(bus);
        if (options.virtualTime && !backend.virtualTime)
            return io::Failure{
                "--virtual-time works with the simulated camera only; a real camera needs its "
                "pauses"};
        if (options.simStateGiven && !backend.stateFile)
            return io::Failure{"--sim-state works with the simulated camera only (--bus sim)"};
        if (!backend.stateFile) continue;
        const std::string state = statePathOf(options, bus);
        if (state.empty()) continue;
        outputs.emplace_back(options.simStateGiven ? "--sim-state" : "--bus " + bus, state);
        if (const io::Expected<> replaceable = io::checkReplaceable(state); !replaceable)
            return io::Failure{io::printable(state) +
                               ": cannot write the state: " + replaceable.why()};
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& a = outputs[i].second;
        if (a.empty() || a == io::kStandardOutput) continue;
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& b = outputs[j].second;
            if (b.empty() || b == io::kStandardOutput || !io::sameFile(a, b)) continue;
            return io::Failure{io::printable(outputs[i].first) + " and " +
                               io::printable(outputs[j].first) + " name the same file " +
                               io::printable(a) + "; each needs its own"};
        }
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
