#pragma once
// A USB-to-I2C bridge chip as the kernel's HID driver of it sees it: its USB identity, its
// report descriptor, and its answers to the reports the driver sends. Each I2C transfer the
// driver asks for goes to one SimCamera as one bus transaction, and its outcome comes back in
// the chip's own codes (a NACK, a busy bus, a timeout), so the driver reports it as it does
// for the real chip. The chip knows nothing of how it reaches the kernel: input reports leave
// through the sender it is given, and a pull-out is asked of the device it sits in.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_camera.h"

namespace vorlix::kernel_test {

using Bytes = std::vector<std::uint8_t>;

// One report of the chip's report descriptor: its id (0: the chip does not number its
// reports), whether it is an input, output or feature report, and its length after the id.
struct ReportDecl {
    std::uint8_t id;
    std::uint8_t kind;  // the descriptor's main item: 0x81 input, 0x91 output, 0xb1 feature
    std::uint8_t count;
};

// What the host reads from the device before any driver speaks to it.
struct ChipIdentity {
    std::uint16_t vendor;
    std::uint16_t product;
    std::string manufacturer;
    std::string productName;
    std::string serial;
    Bytes reportDescriptor;
};

class Chip {
public:
    virtual ~Chip() = default;

    virtual ChipIdentity identity() const = 0;
    // GET_REPORT of a feature report: the report with its id first, or none when the chip
    // does not know the report (the request stalls) or is being pulled out.
    std::optional<Bytes> featureReport(std::uint8_t id);
    // SET_REPORT of a feature report, its id first.
    virtual void setFeatureReport(const Bytes& report) = 0;
    // An output report (its id first where the chip numbers its reports).
    virtual void outputReport(const Bytes& report) = 0;

    // Where input reports go, and what pulls the chip out of its socket (unplugAt).
    void connectTo(std::function<void(const Bytes&)> send, std::function<void()> pullOut) {
        send_ = std::move(send);
        pullOut_ = std::move(pullOut);
    }

    // The camera from a state file (the built-in default when the file does not exist), for
    // a new case: what the chip kept of a transfer is forgotten.
    void load(const std::string& path);
    // The socket's module from a state file, put in (or taken out: "present": false) between
    // two transactions, as a person changes modules while the driver goes on: the chip keeps
    // the transfer it is in.
    void insert(const std::string& path);
    // The camera's state into a file, unless the loaded file already says it.
    void save(const std::string& path);
    // Each input report held back for this many microseconds (a USB frame), 0: sent at once.
    void setFrame(unsigned us) { frameUs_ = us; }
    // The n-th transaction from now on never reaches the camera: the chip is pulled out at
    // the moment it would answer the driver next (an input or a feature report), so the
    // driver is waiting on the chip when it goes, whatever the host does meanwhile.
    void unplugAt(std::uint32_t n) { unplugAt_ = camera_.transactions() + n; }
    // How many searches have swept the bus to its end: transactions to the last address the
    // address search asks, which only a search that found nobody reaches.
    std::uint32_t sweeps() const { return sweeps_; }
    // The requests this chip could not answer since the last call, "-" when none: what a
    // driver of another kernel asks that the stand-in does not know yet.
    std::string asked();

protected:
    explicit Chip(std::vector<ReportDecl> reports) : reports_(std::move(reports)) {}
    // A vendor-defined report descriptor of the chip's reports, in one collection.
    Bytes reportDescriptor() const;
    // The feature report a GET_REPORT asks for, as featureReport() says.
    virtual std::optional<Bytes> feature(std::uint8_t id) = 0;
    // What a chip keeps of a transfer under way, forgotten when a new camera is loaded.
    virtual void forgetTransfer() {}
    // An input report to the host, filled up to its declared length as the chip sends it.
    void input(Bytes report);
    // Logs a request the chip does not answer, and keeps it for asked().
    void unanswered(const char* kind, std::uint8_t id);
    // Counts a transaction to slave (8-bit, either form) that reaches the bus; false when it
    // is the one the chip is pulled out at (it reaches no device, and the chip's next answer
    // pulls it out instead).
    bool reachesBus(std::uint8_t slave);

    vorlix::sim::SimCamera camera_;

private:
    std::vector<ReportDecl> reports_;
    std::function<void(const Bytes&)> send_;
    std::function<void()> pullOut_;
    std::optional<std::string> loaded_;  // the state file as it was loaded, if there was one
    unsigned frameUs_ = 0;
    std::optional<std::uint32_t> unplugAt_;
    bool pullingOut_ = false;  // the chip goes instead of its next answer
    std::uint32_t sweeps_ = 0;
    std::map<std::string, int> unanswered_;  // request -> times asked, since the last asked()
};

// "cp2112", "mcp2221" or "ft260"; none for any other name.
std::unique_ptr<Chip> makeChip(const std::string& name);

}  // namespace vorlix::kernel_test
