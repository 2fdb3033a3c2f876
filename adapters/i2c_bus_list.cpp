#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>

#include "adapters/i2c_dev_adapter.h"
#include "adapters/i2c_permission.h"

namespace vorlix {
namespace {

constexpr std::string_view kNodePrefix = "i2c-";

// N of "i2c-N", or -1 for any other name.
long busNumber(const std::string& name) {
    if (name.size() <= kNodePrefix.size() || name.compare(0, kNodePrefix.size(), kNodePrefix) != 0)
        return -1;
    const std::string digits = name.substr(kNodePrefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(digits);
}

}  // namespace

std::vector<std::string> listI2cBuses(const std::string& devDir, const std::string& sysDir,
                                      SysCalls& sys) {
    std::vector<std::pair<long, std::string>> found;
    std::vector<std::string> notes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, ec)) {
        const std::string name = entry.path().filename().string();
        const long number = busNumber(name);
        if (number < 0) continue;
        std::string line = "i2c:" + entry.path().string();
        std::ifstream nameFile(std::filesystem::path(sysDir) / name / "name");
        std::string adapterName;
        if (std::getline(nameFile, adapterName) && !adapterName.empty()) line += "  " + adapterName;
        found.emplace_back(number, line);

        const int access = sys.accessReadWrite(entry.path().string());
        if (access != -EACCES && access != -EPERM) continue;
        const NodeOwner owner = nodeOwner(entry.path().string(), sys);
        const std::string whose = owner.kind == NodeOwner::RootAlone
                                      ? "they belong to root alone; "
                                      : "they belong to group \"" + owner.group + "\"; ";
        const std::string note =
            "(you may not open these nodes: " + whose + permissionRemedy(owner) + ")";
        if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> buses;
    for (auto& [number, line] : found) buses.push_back(std::move(line));
    // Directory order decides which note comes first; sorted, the listing is stable.
    std::sort(notes.begin(), notes.end());
    buses.insert(buses.end(), notes.begin(), notes.end());
    return buses;
}

}  // namespace vorlix
