#pragma once
// Why this process may not open an I2C device node, from who owns it, and what the person
// does about it: the words the backend's hint and `vorlix --bus list` share.
#include <string>

#include "adapters/i2c_sys_calls.h"

namespace vorlix {

struct NodeOwner {
    enum Kind {
        RootAlone,     // no group to join: the nodes need a udev rule (i2c-tools ships one)
        NotJoined,     // a group the user is not in
        NotYetActive,  // the user was added to the group after logging in
        Carried,       // this process has the group; the node's mode keeps it out
    };
    Kind kind = RootAlone;
    std::string group;  // empty for RootAlone
};

NodeOwner nodeOwner(const std::string& node, SysCalls& sys);

// What to do, as the rest of a sentence that has named the owner:
// "join it with sudo usermod -aG i2c $USER and log in again".
std::string permissionRemedy(const NodeOwner& owner);

}  // namespace vorlix
