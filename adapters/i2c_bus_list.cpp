#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
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
    struct Node {
        long number;
        std::string path;
        std::string line;
        std::optional<NodeOwner> refusedBy;  // the owner, when we may not open the node
    };
    std::vector<Node> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, ec)) {
        const std::string name = entry.path().filename().string();
        const long number = busNumber(name);
        if (number < 0) continue;
        Node node{number, entry.path().string(), "i2c:" + entry.path().string(), std::nullopt};
        std::ifstream nameFile(std::filesystem::path(sysDir) / name / "name");
        std::string adapterName;
        if (std::getline(nameFile, adapterName) && !adapterName.empty())
            node.line += "  " + adapterName;
        const int access = sys.accessReadWrite(node.path);
        if (access == -EACCES || access == -EPERM) node.refusedBy = nodeOwner(node.path, sys);
        nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const Node& a, const Node& b) { return a.number < b.number; });

    std::vector<std::string> lines;
    for (const Node& node : nodes) lines.push_back(node.line);
    // One note per owner, naming its nodes in bus order.
    std::vector<std::pair<NodeOwner, std::vector<std::string>>> refusals;
    for (const Node& node : nodes) {
        if (!node.refusedBy) continue;
        const NodeOwner& owner = *node.refusedBy;
        auto same = std::find_if(refusals.begin(), refusals.end(), [&owner](const auto& r) {
            return r.first.kind == owner.kind && r.first.group == owner.group;
        });
        if (same == refusals.end()) same = refusals.insert(refusals.end(), {owner, {}});
        same->second.push_back(node.path);
    }
    for (const auto& [owner, paths] : refusals) {
        std::string note = "(you may not open ";
        for (std::size_t i = 0; i < paths.size(); ++i) note += (i ? ", " : "") + paths[i];
        note += paths.size() == 1 ? ": it belongs to " : ": they belong to ";
        note +=
            owner.kind == NodeOwner::RootAlone ? "root alone; " : "group \"" + owner.group + "\"; ";
        lines.push_back(note + permissionRemedy(owner) + ")");
    }
    return lines;
}

}  // namespace vorlix
