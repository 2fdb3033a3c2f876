#include <vector>

#include "link/sub_address.h"
#include "sim/sim_camera.h"

namespace vorlix::sim {

AdapterHandle SimAdapter::open(std::uint8_t slave, std::uint32_t, std::uint32_t) {
    open_[++lastHandle_] = slave;
    return lastHandle_;
}

void SimAdapter::select(AdapterHandle, std::uint8_t) {}

std::uint16_t SimAdapter::write(AdapterHandle handle, const std::uint8_t* data, std::uint32_t,
                                std::uint32_t count) {
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return kStatusNoAdapter;
    }
    return camera_.writeTransaction(it->second, data, count);
}

std::uint16_t SimAdapter::writeSub(AdapterHandle handle, std::uint32_t subLength,
                                   std::uint32_t subAddress, const std::uint8_t* data,
                                   std::uint32_t count, std::uint32_t) {
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return kStatusNoAdapter;
    }
    std::vector<std::uint8_t> wire = subAddressBytes(subLength, subAddress);
    wire.insert(wire.end(), data, data + count);
    return camera_.writeTransaction(it->second, wire.data(), wire.size());
}

std::uint16_t SimAdapter::read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t,
                               std::uint32_t count) {
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return kStatusNoAdapter;
    }
    return camera_.readTransaction(it->second, buffer, count);
}

std::uint16_t SimAdapter::readSub(AdapterHandle handle, std::uint32_t subLength,
                                  std::uint32_t subAddress, std::uint8_t* buffer,
                                  std::uint32_t count, std::uint32_t) {
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return kStatusNoAdapter;
    }
    const std::vector<std::uint8_t> sub = subAddressBytes(subLength, subAddress);
    return camera_.writeReadTransaction(it->second, sub.data(), sub.size(), buffer, count);
}

void SimAdapter::close(AdapterHandle handle) {
    open_.erase(handle);
}

}  // namespace vorlix::sim
