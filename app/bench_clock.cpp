#include "app/bench_clock.h"

namespace vorlix::app {

BenchClock::BenchClock(std::size_t sockets) : wakes_(sockets, 0), left_(sockets, false) {}

void BenchClock::start(std::size_t k) {
    std::unique_lock<std::mutex> lock(mutex_);
    turned_.wait(lock, [&] { return turn_ == k; });
}

void BenchClock::pause(std::size_t k, unsigned ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    wakes_[k] = now_ + ms;
    passTurn();
    turned_.wait(lock, [&] { return turn_ == k; });
}

void BenchClock::leave(std::size_t k) {
    const std::lock_guard<std::mutex> lock(mutex_);
    left_[k] = true;
    passTurn();
}

// The socket still on the bench whose pause ends first; the clock moves on to that moment.
void BenchClock::passTurn() {
    std::size_t next = wakes_.size();
    for (std::size_t k = 0; k < wakes_.size(); ++k) {
        if (!left_[k] && (next == wakes_.size() || wakes_[k] < wakes_[next])) next = k;
    }
    turn_ = next;
    if (next < wakes_.size() && wakes_[next] > now_) now_ = wakes_[next];
    turned_.notify_all();
}

}  // namespace vorlix::app
