#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "adapters/i2c_dev_adapter.h"

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

std::vector<std::string> listI2cBuses(const std::string& devDir, const std::string& sysDir) {
    std::vector<std::pair<long, std::string>> found;
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
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> buses;
    for (auto& [number, line] : found) buses.push_back(std::move(line));
    return buses;
}

}  // namespace vorlix
