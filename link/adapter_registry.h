#pragma once
// Backends are chosen by name (--bus NAME[:ARG]); an unknown name is answered with the list.
// The simulated camera registers here exactly like the real backends.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/adapter.h"

namespace vorlix {

struct BackendInfo {
    std::string name;     // "sim", "i2c", "pxiic"
    std::string summary;  // one line for --bus list and --help
    // Builds the adapter from the text after "NAME:" (empty when absent). On failure returns
    // null and fills error with one line for the person.
    std::function<std::unique_ptr<Adapter>(const std::string& arg, std::string& error)> create;
    // The buses this backend can see right now (device nodes, library paths); may be empty.
    std::function<std::vector<std::string>()> listBuses;
};

class AdapterRegistry {
public:
    void add(BackendInfo info);
    const BackendInfo* find(const std::string& name) const;
    const std::vector<BackendInfo>& backends() const { return backends_; }

    // Splits "i2c:/dev/i2c-3" into backend and argument and builds the adapter; on an unknown
    // name the error lists the names that exist.
    std::unique_ptr<Adapter> create(const std::string& choice, std::string& error) const;

private:
    std::vector<BackendInfo> backends_;
};

}  // namespace vorlix
