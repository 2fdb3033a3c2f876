#pragma once
// Every fixed pause of the tool goes through one pacer, so that tests and the trace see each
// pause in its place and a virtual clock can stand in for the real one.
#include <cstdint>
#include <vector>

namespace vorlix {

class Pacer {
public:
    virtual ~Pacer() = default;
    // Pause for whole milliseconds.
    virtual void sleepMs(unsigned ms) = 0;
};

// Sleeps for real: the camera needs its pauses.
class RealPacer : public Pacer {
public:
    void sleepMs(unsigned ms) override;
};

// Records the pauses and returns at once.
class VirtualPacer : public Pacer {
public:
    void sleepMs(unsigned ms) override;
    const std::vector<unsigned>& pauses() const { return pauses_; }
    std::uint64_t totalMs() const;

private:
    std::vector<unsigned> pauses_;
};

}  // namespace vorlix
