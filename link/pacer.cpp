#include "link/pacer.h"

#include <chrono>
#include <numeric>
#include <thread>

namespace vorlix {

void RealPacer::sleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualPacer::sleepMs(unsigned ms) {
    pauses_.push_back(ms);
}

std::uint64_t VirtualPacer::totalMs() const {
    return std::accumulate(pauses_.begin(), pauses_.end(), std::uint64_t{0});
}

}  // namespace vorlix
