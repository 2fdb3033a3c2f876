#pragma once
// The virtual time of a station's sockets, each run by a thread of its own: one timeline on
// which one socket at a time goes on until it pauses; then the socket whose pause ends first
// takes its turn (the earlier socket of the two when both end at once). A simulated bench then
// runs the same way every time, whatever the order the threads are scheduled in: its screen,
// its record and each camera's state are the same from run to run.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/pacer.h"

namespace vorlix::app {

class BenchClock {
public:
    explicit BenchClock(std::size_t sockets);

    // Socket k's thread waits here for its first turn (socket 0 has it first).
    void start(std::size_t k);
    // Socket k pauses for ms: the turn passes on, and the call returns at k's next turn.
    void pause(std::size_t k, unsigned ms);
    // Socket k leaves the bench for good: the turn passes on.
    void leave(std::size_t k);

private:
    void passTurn();

    std::mutex mutex_;
    std::condition_variable turned_;
    std::vector<std::uint64_t> wakes_;  // when each socket's pause ends
    std::vector<bool> left_;
    std::size_t turn_ = 0;
    std::uint64_t now_ = 0;
};

// A socket's pacer on the bench's clock: each pause goes through inner (which records it) and
// then waits for the socket's next turn.
class TurnPacer : public Pacer {
public:
    TurnPacer(Pacer& inner, BenchClock& clock, std::size_t socket)
        : inner_(inner), clock_(clock), socket_(socket) {}
    void sleepMs(unsigned ms) override {
        inner_.sleepMs(ms);
        clock_.pause(socket_, ms);
    }

private:
    Pacer& inner_;
    BenchClock& clock_;
    std::size_t socket_;
};

}  // namespace vorlix::app
