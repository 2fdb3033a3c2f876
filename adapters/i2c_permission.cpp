#include "adapters/i2c_permission.h"

namespace vorlix {

NodeOwner nodeOwner(const std::string& node, SysCalls& sys) {
    const std::optional<gid_t> gid = sys.nodeGroup(node);
    const std::optional<std::string> group = gid && *gid != 0 ? sys.groupName(*gid) : std::nullopt;
    if (!group) return {};
    if (sys.processInGroup(*gid)) return {NodeOwner::Carried, *group};
    // The group database already lists a user added since logging in; the session gets the
    // group only at the next login.
    if (sys.userListedInGroup(*gid)) return {NodeOwner::NotYetActive, *group};
    return {NodeOwner::NotJoined, *group};
}

std::string permissionRemedy(const NodeOwner& owner) {
    switch (owner.kind) {
        case NodeOwner::NotJoined:
            return "join it with sudo usermod -aG " + owner.group + " $USER and log in again";
        case NodeOwner::NotYetActive:
            return "you were added to it after logging in: log in again";
        case NodeOwner::Carried:
            return "the node's mode keeps the group out; its udev rule should give MODE=\"0660\"";
        case NodeOwner::RootAlone:
            break;
    }
    // Debian's i2c-tools ships exactly this rule (60-i2c-tools.rules) and creates the group.
    return "install i2c-tools (sudo apt install i2c-tools), whose udev rule gives the I2C nodes "
           "the group i2c, or elsewhere add a rule such as KERNEL==\"i2c-[0-9]*\", GROUP=\"i2c\", "
           "MODE=\"0660\" in /etc/udev/rules.d/60-i2c.rules and run sudo groupadd -f i2c; then "
           "join the group (sudo usermod -aG i2c $USER), replug the adapter and log in again";
}

}  // namespace vorlix
