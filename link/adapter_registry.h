#pragma once
// Backends are chosen by name (--bus NAME[:ARG]); an unknown name is answered with the list.
// The simulated camera registers here exactly like the real backends. What a backend can do
// beyond the seven calls (its camera is simulated, may skip its pauses, keeps a state file, can
// be switched off and on) is asked of its traits and of what it built, never read from its name.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "io/expected.h"
#include "link/adapter.h"

namespace vorlix {

// What a backend is, known before anything is built: the checks of the options ask it.
struct BackendTraits {
    bool simulated = false;    // no hardware: the window says the camera is simulated
    bool virtualTime = false;  // its pauses may be recorded without being slept
    bool stateFile = false;    // its camera's state is loaded from a file and saved back to it
    bool repower = false;      // its camera can be switched off and on by the program
};

// What create is given: the text after "NAME:" (empty when absent) and, for a backend with a
// state file, that file's path (empty: no file).
struct BackendRequest {
    std::string arg;
    std::string statePath;
};

// Where a bus named by what does not change (a USB port, a serial number) is found when its
// name is looked up again: where it was, nowhere (the adapter was pulled out), or under another
// node (put back in, and given a new number).
struct BusPlace {
    enum class Kind { Same, Gone, Moved };
    Kind kind = Kind::Same;
    std::string node;  // Gone: the node that went away; otherwise the node the adapter uses
};

// What a backend built for one run. The hooks are set exactly when the traits promise them.
struct OpenedBus {
    std::unique_ptr<Adapter> adapter{};
    std::function<void()> repower{};  // traits.repower
    // traits.stateFile with a path: saves the camera's state back to its file, or the one line
    // for the person when that failed.
    std::function<io::Expected<>()> saveState{};
    // What the request's argument named, once resolved (a stable name's device node, as in
    // "/dev/i2c-7"); empty when the argument is itself what was opened.
    std::string resolved{};
    // For a bus named by what does not change: looks the name up again, and when it names
    // another node now, the adapter goes on there (the lock on the bus follows it). Empty for
    // a bus named otherwise. Called between transactions only.
    std::function<BusPlace()> findAgain{};
    // What the backend holds for as long as the run has the bus (a lock on it); released with
    // the bus.
    std::shared_ptr<void> hold{};
};

struct BackendInfo {
    std::string name;     // "sim", "i2c", "pxiic"
    std::string summary;  // one line for --bus list and --help
    // Builds the adapter, or says in one line for the person why it cannot.
    std::function<io::Expected<OpenedBus>(const BackendRequest& request)> create;
    // The buses this backend can see right now (device nodes, library paths); may be empty.
    std::function<std::vector<std::string>()> listBuses;
    BackendTraits traits{};
};

class AdapterRegistry {
public:
    void add(BackendInfo info);
    const BackendInfo* find(const std::string& name) const;
    const std::vector<BackendInfo>& backends() const { return backends_; }

    // The traits of the backend that a choice ("i2c:/dev/i2c-3") names; an unknown name has
    // none of them.
    BackendTraits traitsOf(const std::string& choice) const;

    // Splits "i2c:/dev/i2c-3" into backend and argument and builds the adapter; for an unknown
    // name the failure lists the names that exist.
    io::Expected<OpenedBus> create(const std::string& choice, const std::string& statePath) const;

private:
    std::vector<BackendInfo> backends_;
};

}  // namespace vorlix
