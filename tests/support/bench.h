#pragma once
// Test benches for the link: any adapter behind the bus trace with a virtual clock, the
// simulated camera on such a bench, and a recording adapter for the exact adapter calls.
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "io/hex.h"
#include "link/i2c_link.h"
#include "link/trace.h"
#include "sim/sim_camera.h"
#include "tests/support/trace_lines.h"

namespace vorlix::test {

// Records every box; with a trace it also writes "B text", as the dialog host does.
class RecordingNotifier : public Notifier {
public:
    explicit RecordingNotifier(Trace* trace = nullptr) : trace_(trace) {}
    void messageBox(const std::string& text) override {
        boxes.push_back(text);
        if (trace_ != nullptr) {
            trace_->line("B " + text);
        }
    }
    std::vector<std::string> boxes;

private:
    Trace* trace_;
};

// The bus over an adapter as the link sees it, every transfer, pause and box in the trace.
struct TracedBus {
    explicit TracedBus(Adapter& inner) : adapter(inner, trace) {}

    // The trace lines written since the last call.
    std::vector<std::string> lines() { return takeLines(out); }

    std::ostringstream out;
    Trace trace{&out};
    TracingAdapter adapter;
    VirtualPacer clock;
    TracingPacer pacer{clock, trace};
    RecordingNotifier notifier{&trace};
    Bus bus{adapter, pacer, notifier};
};

// The simulated camera and its adapter, built before the bench that drives them.
struct SimulatedCamera {
    explicit SimulatedCamera(sim::SimState state) : camera(std::move(state)) {}
    sim::SimCamera camera;
    sim::SimAdapter simAdapter{camera};
};

// The simulated camera as the link sees it.
struct SimBench : SimulatedCamera, TracedBus {
    explicit SimBench(sim::SimState state = sim::SimState::builtInDefault())
        : SimulatedCamera(std::move(state)), TracedBus(simAdapter) {}
};

// Writes every adapter call as a line ("open 70 20000 1000", "select #1 70",
// "ord8 #1 2 3012 [5a] 1 0", "close #1"); #n is the n-th handle open returned. Transfers
// return the queued statuses (then 0); reads store readBytes if given and show what the
// buffer held when the call arrived.
class RecordingAdapter : public Adapter {
public:
    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override {
        calls.push_back("open " + io::hexByte(slave) + " " + std::to_string(timeout) + " " +
                        std::to_string(speed));
        return ++opened;
    }
    void select(AdapterHandle h, std::uint8_t slave) override {
        calls.push_back("select " + handle(h) + " " + io::hexByte(slave));
    }
    std::uint16_t write(AdapterHandle h, const std::uint8_t* data, std::uint32_t reserved,
                        std::uint32_t count) override {
        calls.push_back("ord7 " + handle(h) + " " + bytes(data, count) + " " +
                        std::to_string(reserved) + " " + std::to_string(count));
        return next();
    }
    std::uint16_t writeSub(AdapterHandle h, std::uint32_t subLength, std::uint32_t subAddress,
                           const std::uint8_t* data, std::uint32_t count,
                           std::uint32_t reserved) override {
        calls.push_back("ord8 " + handle(h) + " " + std::to_string(subLength) + " " +
                        hex16(subAddress) + " " + bytes(data, count) + " " + std::to_string(count) +
                        " " + std::to_string(reserved));
        return next();
    }
    std::uint16_t read(AdapterHandle h, std::uint8_t* buffer, std::uint32_t reserved,
                       std::uint32_t count) override {
        calls.push_back("ord10 " + handle(h) + " in=" + bytes(buffer, count) + " " +
                        std::to_string(reserved) + " " + std::to_string(count));
        fill(buffer, count);
        return next();
    }
    std::uint16_t readSub(AdapterHandle h, std::uint32_t subLength, std::uint32_t subAddress,
                          std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t reserved) override {
        calls.push_back("ord11 " + handle(h) + " " + std::to_string(subLength) + " " +
                        hex16(subAddress) + " in=" + bytes(buffer, count) + " " +
                        std::to_string(count) + " " + std::to_string(reserved));
        fill(buffer, count);
        return next();
    }
    void close(AdapterHandle h) override { calls.push_back("close " + handle(h)); }

    std::vector<std::string> calls;
    std::deque<std::uint16_t> statuses;
    std::vector<std::uint8_t> readBytes;
    AdapterHandle opened = 0;

private:
    static std::string handle(AdapterHandle h) { return "#" + std::to_string(h); }
    static std::string hex16(std::uint32_t v) {
        return io::hexByte(static_cast<std::uint8_t>(v >> 8)) +
               io::hexByte(static_cast<std::uint8_t>(v));
    }
    static std::string bytes(const std::uint8_t* data, std::uint32_t count) {
        std::string text = "[";
        for (std::uint32_t i = 0; i < count; ++i) {
            text += (i == 0 ? "" : " ") + io::hexByte(data[i]);
        }
        return text + "]";
    }
    void fill(std::uint8_t* buffer, std::uint32_t count) const {
        for (std::uint32_t i = 0; i < count && i < readBytes.size(); ++i) {
            buffer[i] = readBytes[i];
        }
    }
    std::uint16_t next() {
        if (statuses.empty()) {
            return kStatusOk;
        }
        const std::uint16_t status = statuses.front();
        statuses.pop_front();
        return status;
    }
};

}  // namespace vorlix::test
