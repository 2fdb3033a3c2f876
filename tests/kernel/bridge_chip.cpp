#include "tests/kernel/bridge_chip.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "link/i2c_link.h"

namespace vorlix::kernel_test {
namespace {

using vorlix::sim::SimState;

constexpr std::uint16_t kOk = vorlix::kStatusOk;
constexpr std::uint16_t kTimeout = vorlix::kStatusTimeout;
constexpr std::uint16_t kBusy = vorlix::kStatusBusy;
constexpr std::uint16_t kNotPresent = vorlix::kStatusNotPresent;

// The Silicon Labs CP2112: a request starts a transfer; the driver then polls the transfer
// status and, for reads, forces the data out.
class Cp2112 : public Chip {
public:
    Cp2112()
        : Chip({{0x05, 0xb1, 2},
                {0x06, 0xb1, 13},
                {0x10, 0x91, 3},
                {0x11, 0x91, 20},
                {0x12, 0x91, 2},
                {0x13, 0x81, 63},
                {0x14, 0x91, 63},
                {0x15, 0x91, 1},
                {0x16, 0x81, 6},
                {0x17, 0x91, 1},
                {0x20, 0xb1, 1}}) {}

    ChipIdentity identity() const override {
        return {0x10c4,         0xea90,
                "Silicon Labs", "CP2112 HID USB-to-SMBus Bridge",
                "0001A2B3",     reportDescriptor()};
    }

    std::optional<Bytes> feature(std::uint8_t id) override {
        switch (id) {
            case 0x05:
                return Bytes{0x05, 0x0c, 0x02};  // part number, version 2
            case 0x06:                           // 100 kHz, address 0x02, no timeouts, no retries
                return Bytes{0x06, 0x00, 0x01, 0x86, 0xa0, 0x02, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
            case 0x20:
                return Bytes{0x20, 0xff};  // nothing locked
            default:
                unanswered("GET_REPORT", id);
                return std::nullopt;
        }
    }

    void setFeatureReport(const Bytes&) override {}  // the bus settings: taken as they come

    void outputReport(const Bytes& report) override {
        const std::uint8_t* d = report.data();
        const std::size_t n = report.size();
        if (n < 1) return;
        switch (d[0]) {
            case 0x10:    // data read request: address, length (big-endian)
            case 0x11: {  // write-read: address, length, target address length, target
                if (n < 4) return;
                const std::size_t len = static_cast<std::size_t>(d[2] << 8 | d[3]);
                readData_.assign(len, 0);
                readOffset_ = 0;
                if (!reachesBus(d[1])) return;
                if (d[0] == 0x10) {
                    status_ = camera_.readTransaction(d[1] | 1, readData_.data(), len);
                } else {
                    const std::size_t sub = n > 4 ? std::min<std::size_t>(d[4], 16) : 0;
                    status_ = camera_.writeReadTransaction(d[1], d + 5, sub, readData_.data(), len);
                }
                if (status_ != kOk) readData_.clear();
                isRead_ = true;
                break;
            }
            case 0x14: {  // data write request: address, length, data
                if (n < 3 || !reachesBus(d[1])) return;
                status_ = camera_.writeTransaction(d[1], d + 3, std::min<std::size_t>(d[2], 61));
                readData_.clear();
                isRead_ = false;
                break;
            }
            case 0x15: {  // transfer status request
                Bytes r = {0x16, 0x02, 0x05, 0x00, 0x00, 0x00, 0x00};
                const auto length = static_cast<std::uint16_t>(readData_.size());
                if (status_ != kOk) {
                    r[1] = 0x03;  // error, with why:
                    if (status_ == kNotPresent)
                        r[2] = 0x00;  // address not acknowledged
                    else if (status_ == kTimeout)
                        r[2] = 0x01;  // bus not free: SCL held low
                    else if (status_ == kBusy)
                        r[2] = 0x02;  // arbitration lost
                    else
                        r[2] = isRead_ ? 0x03 : 0x04;  // read or write incomplete
                } else {
                    r[5] = static_cast<std::uint8_t>(length >> 8);
                    r[6] = static_cast<std::uint8_t>(length);
                }
                input(r);
                break;
            }
            case 0x12: {  // forced read: up to 61 bytes of what was read
                const std::size_t want = n >= 3 ? static_cast<std::size_t>(d[1] << 8 | d[2]) : 0;
                const std::size_t left = readData_.size() - readOffset_;
                const std::size_t take = std::min({want, left, std::size_t{61}});
                Bytes r = {0x13, static_cast<std::uint8_t>(take == left ? 0x02 : 0x01),
                           static_cast<std::uint8_t>(take)};
                r.insert(r.end(), readData_.begin() + static_cast<long>(readOffset_),
                         readData_.begin() + static_cast<long>(readOffset_ + take));
                readOffset_ += take;
                input(r);
                break;
            }
            case 0x17:  // cancel
                status_ = kOk;
                readData_.clear();
                break;
            default:
                unanswered("output report", d[0]);
                break;
        }
    }

private:
    // The last transfer's outcome and the bytes it read.
    std::uint16_t status_ = kOk;
    bool isRead_ = false;
    Bytes readData_;
    std::size_t readOffset_ = 0;
};

// The Microchip MCP2221: 64-byte commands, each answered by a 64-byte report. A write collects
// its chunks and goes on the bus once all bytes are in; its outcome shows in the next status.
class Mcp2221 : public Chip {
public:
    Mcp2221() : Chip({{0, 0x81, 64}, {0, 0x91, 64}}) {}

    ChipIdentity identity() const override {
        return {0x04d8,
                0x00dd,
                "Microchip Technology Inc.",
                "MCP2221 USB-I2C/UART Combo",
                "0000451236",
                reportDescriptor()};
    }

    std::optional<Bytes> feature(std::uint8_t id) override {
        unanswered("GET_REPORT", id);
        return std::nullopt;
    }

    void setFeatureReport(const Bytes& report) override {
        unanswered("SET_REPORT", report.empty() ? 0 : report[0]);
    }

    void outputReport(const Bytes& report) override {
        const std::uint8_t* d = report.data();
        const std::size_t n = report.size();
        if (n < 1) return;
        Bytes r(64, 0);
        r[0] = d[0];
        switch (d[0]) {
            case 0x10: {                      // status / set parameters
                if (n > 2 && d[2] == 0x10) {  // cancel: the engine goes idle
                    r[2] = 0x10;
                    engine_ = 0x00;
                    nack_ = false;
                }
                if (n > 4 && d[3] == 0x20) {  // new clock divider
                    r[3] = 0x20;
                    r[4] = d[4];
                }
                r[8] = engine_;
                if (nack_) r[20] = 0x40;
                break;
            }
            case 0x90:  // write, and write without stop: length, address, data chunk
            case 0x94: {
                if (n < 4) return;
                const std::size_t total = static_cast<std::size_t>(d[1] | d[2] << 8);
                if (pendingWrite_.empty()) writeAddress_ = d[3];
                pendingWrite_.insert(pendingWrite_.end(), d + 4,
                                     d + std::min(n, 4 + std::min<std::size_t>(60, total)));
                if (pendingWrite_.size() > total) pendingWrite_.resize(total);
                if (pendingWrite_.size() >= total && d[0] == 0x90) {
                    if (reachesBus(writeAddress_))
                        finishWrite(
                            camera_.writeTransaction(writeAddress_, pendingWrite_.data(), total));
                    pendingWrite_.clear();
                }
                if (d[0] == 0x94 && pendingWrite_.size() >= total) {
                    repeatedStart_ = pendingWrite_;
                    pendingWrite_.clear();
                }
                break;
            }
            case 0x91:  // read, and read after a repeated start: length, address
            case 0x93: {
                if (n < 4) return;
                const std::size_t len = static_cast<std::size_t>(d[1] | d[2] << 8);
                readData_.assign(len, 0);
                readOffset_ = 0;
                if (reachesBus(d[3])) {
                    std::uint16_t status;
                    if (d[0] == 0x91)
                        status = camera_.readTransaction(d[3] | 1, readData_.data(), len);
                    else
                        status = camera_.writeReadTransaction(d[3] & 0xfe, repeatedStart_.data(),
                                                              repeatedStart_.size(),
                                                              readData_.data(), len);
                    readStatus_ = status;
                    finishWrite(status);
                }
                repeatedStart_.clear();
                break;
            }
            case 0x40: {  // the data read so far, up to 60 bytes
                if (readStatus_ == kNotPresent) {
                    r[2] = 0x25;  // address not acknowledged
                } else if (readStatus_ != kOk) {
                    r[2] = 0x00;
                    r[3] = 127;  // the read failed
                } else {
                    const std::size_t take =
                        std::min<std::size_t>(60, readData_.size() - readOffset_);
                    r[2] = 0x55;  // read complete
                    r[3] = static_cast<std::uint8_t>(take);
                    std::copy_n(readData_.begin() + static_cast<long>(readOffset_), take,
                                r.begin() + 4);
                    readOffset_ += take;
                }
                break;
            }
            default:  // a command this bridge does not know
                unanswered("command", d[0]);
                r[1] = 0x01;
                break;
        }
        input(r);
    }

private:
    void forgetTransfer() override { pendingWrite_.clear(); }

    // The engine's state after a transaction, as the next status shows it.
    void finishWrite(std::uint16_t status) {
        nack_ = status == kNotPresent;
        if (status == kOk)
            engine_ = 0x00;
        else if (status == kNotPresent)
            engine_ = 0x25;  // address not acknowledged
        else if (status == kTimeout)
            engine_ = 0x44;  // data phase timed out
        else if (status == kBusy)
            engine_ = 0x01;  // engine busy
        else
            engine_ = 0x47;  // stopped in the data phase: the slave did not acknowledge
    }

    // The write being collected, the bytes before a repeated start, the engine.
    Bytes pendingWrite_;
    std::uint8_t writeAddress_ = 0;
    Bytes repeatedStart_;
    Bytes readData_;
    std::size_t readOffset_ = 0;
    std::uint16_t readStatus_ = kOk;
    std::uint8_t engine_ = 0x00;
    bool nack_ = false;
};

// The FTDI FT260, strapped for I2C alone (its DCNF pins): a write report carries the address,
// the conditions to send (start, repeated start, stop) and the data; a read request is answered
// by input reports of the data; the outcome of either is the bus status of the I2C status
// feature report, which the driver asks for after each. A write that ends without a stop holds
// the bus for the read that follows (a repeated start): the two go to the camera as one
// transaction when the read comes.
class Ft260 : public Chip {
public:
    Ft260() : Chip(reports()) {}

    ChipIdentity identity() const override {
        return {0x0403, 0x6030, "FTDI", "FT260", "FT6ZQ0ND", reportDescriptor()};
    }

    std::optional<Bytes> feature(std::uint8_t id) override {
        switch (id) {
            case 0xa0:  // chip code 6002, version 0200
                return Bytes{0xa0, 0x60, 0x02, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
            case 0xa1: {  // system settings: I2C alone, 48 MHz, powered, I2C enabled
                Bytes r(26, 0);
                r[0] = 0xa1;
                r[1] = 0x01;  // chip mode: I2C
                r[2] = 0x02;  // clock
                r[4] = 0x01;  // PWREN: ready
                r[5] = 0x01;  // I2C enabled
                return r;
            }
            case 0xc0:  // I2C status: bus status, clock 100 kHz (little-endian)
                return Bytes{0xc0, busStatus_, 100, 0, 0};
            default:
                unanswered("GET_REPORT", id);
                return std::nullopt;
        }
    }

    void setFeatureReport(const Bytes& report) override {
        if (report.size() >= 2 && report[0] == 0xa1 && report[1] == kResetRequest) {
            busStatus_ = kIdle;  // the I2C controller reset: the bus is let go
            repeatedStart_.reset();
        }
        // The clock and the other settings: taken as they come.
    }

    void outputReport(const Bytes& report) override {
        if (report.empty()) return;
        const std::uint8_t id = report[0];
        if (id >= kFirstDataReport && id <= kLastDataReport && report.size() >= 4) {
            write(report);
        } else if (id == 0xc2 && report.size() >= 5) {
            read(report[1], static_cast<std::size_t>(report[3] | report[4] << 8));
        } else {
            unanswered("output report", id);
        }
    }

private:
    static constexpr std::uint8_t kFirstDataReport = 0xd0;
    static constexpr std::uint8_t kLastDataReport = 0xde;
    static constexpr std::uint8_t kResetRequest = 0x20;
    static constexpr std::uint8_t kStop = 0x04;  // in a report's conditions
    static constexpr std::size_t kDataPerReport = 60;
    // Bus status bits.
    static constexpr std::uint8_t kError = 0x02;
    static constexpr std::uint8_t kAddressNack = 0x04;
    static constexpr std::uint8_t kDataNack = 0x08;
    static constexpr std::uint8_t kArbitrationLost = 0x10;
    static constexpr std::uint8_t kIdle = 0x20;
    static constexpr std::uint8_t kBusBusy = 0x40;

    // The settings and status features, the read request, and the I2C data reports both ways,
    // an id for each 4 bytes of data they can carry: in, the length and the data; out, the
    // address, the conditions, the length and the data.
    static std::vector<ReportDecl> reports() {
        std::vector<ReportDecl> reports = {
            {0xa0, 0xb1, 12}, {0xa1, 0xb1, 25}, {0xc0, 0xb1, 4}, {0xc2, 0x91, 4}};
        for (int id = kFirstDataReport; id <= kLastDataReport; ++id) {
            const int data = 4 * (id - kFirstDataReport + 1);
            reports.push_back(
                {static_cast<std::uint8_t>(id), 0x81, static_cast<std::uint8_t>(1 + data)});
            reports.push_back(
                {static_cast<std::uint8_t>(id), 0x91, static_cast<std::uint8_t>(3 + data)});
        }
        return reports;
    }

    struct HeldWrite {
        std::uint8_t address;  // 7-bit
        Bytes bytes;
    };

    void forgetTransfer() override {
        repeatedStart_.reset();
        busStatus_ = kIdle;
    }

    // A write report: address (7-bit), conditions, length, data.
    void write(const Bytes& report) {
        const std::uint8_t address = report[1];
        const std::size_t length = std::min<std::size_t>(report[3], report.size() - 4);
        Bytes data(report.begin() + 4, report.begin() + 4 + static_cast<long>(length));
        if (!(report[2] & kStop)) {  // the bus stays held for a repeated start
            repeatedStart_ = HeldWrite{address, std::move(data)};
            busStatus_ = kIdle | kBusBusy;
            return;
        }
        if (!reachesBus(static_cast<std::uint8_t>(address << 1))) return;
        busStatus_ = statusAfter(camera_.writeTransaction(static_cast<std::uint8_t>(address << 1),
                                                          data.data(), data.size()),
                                 false);
    }

    // A read request (address, conditions, length; the conditions always end it with a stop
    // here) is answered by input reports of up to 60 bytes each. A read that fails still sends
    // its reports (what the idle bus reads, ff: a failed transaction leaves the buffer as it
    // was), and the bus status tells the failure.
    void read(std::uint8_t address, std::size_t length) {
        Bytes data(length, 0xff);
        std::optional<HeldWrite> held;
        held.swap(repeatedStart_);
        const auto slave = static_cast<std::uint8_t>(address << 1);
        if (reachesBus(slave)) {
            std::uint16_t status;
            if (held && held->address == address)
                status = camera_.writeReadTransaction(slave, held->bytes.data(), held->bytes.size(),
                                                      data.data(), length);
            else
                status = camera_.readTransaction(slave | 1, data.data(), length);
            busStatus_ = statusAfter(status, true);
        }
        for (std::size_t at = 0; at < length; at += kDataPerReport) {
            const std::size_t take = std::min(kDataPerReport, length - at);
            Bytes r = {static_cast<std::uint8_t>(kFirstDataReport + (take - 1) / 4),
                       static_cast<std::uint8_t>(take)};
            r.insert(r.end(), data.begin() + static_cast<long>(at),
                     data.begin() + static_cast<long>(at + take));
            input(r);
        }
    }

    // The bus status once a transaction has ended with a stop.
    static std::uint8_t statusAfter(std::uint16_t status, bool isRead) {
        if (status == kOk) return kIdle;
        if (status == kNotPresent) return kIdle | kError | kAddressNack;
        if (status == kBusy) return kIdle | kError | kArbitrationLost;
        if (status == kTimeout) return kIdle | kError;
        return kIdle | kError | (isRead ? 0 : kDataNack);
    }

    std::uint8_t busStatus_ = kIdle;
    std::optional<HeldWrite> repeatedStart_;
};

}  // namespace

void Chip::load(const std::string& path) {
    insert(path);
    unplugAt_.reset();
    pullingOut_ = false;
    forgetTransfer();
}

void Chip::insert(const std::string& path) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    vorlix::io::Expected<SimState> state =
        exists ? vorlix::sim::loadSimState(path) : SimState::builtInDefault();
    if (!state) throw std::runtime_error(state.why());
    camera_ = vorlix::sim::SimCamera(std::move(*state));
    loaded_.reset();
    if (exists) {
        std::ifstream in(path, std::ios::binary);
        loaded_ = std::string(std::istreambuf_iterator<char>(in), {});
    }
}

// As --bus sim leaves its state file: written whole, so that a file which comes out byte for
// byte as it went in is no change.
void Chip::save(const std::string& path) {
    if (loaded_ == vorlix::sim::formatSimState(camera_.state())) return;
    if (const vorlix::io::Expected<> saved = vorlix::sim::saveSimState(camera_.state(), path);
        !saved)
        throw std::runtime_error(saved.why());
}

std::string Chip::asked() {
    std::string text;
    for (const auto& [request, times] : unanswered_)
        text += (text.empty() ? "" : "; ") + request + " (" + std::to_string(times) + "x)";
    unanswered_.clear();
    return text.empty() ? "-" : text;
}

Bytes Chip::reportDescriptor() const {
    Bytes d = {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08};
    for (const ReportDecl& r : reports_) {
        if (r.id != 0) d.insert(d.end(), {0x85, r.id});
        d.insert(d.end(), {0x09, 0x01, 0x95, r.count, r.kind, 0x02});
    }
    d.push_back(0xc0);
    return d;
}

std::optional<Bytes> Chip::featureReport(std::uint8_t id) {
    if (pullingOut_) {
        pullingOut_ = false;
        pullOut_();
        return std::nullopt;
    }
    return feature(id);
}

void Chip::input(Bytes report) {
    if (pullingOut_) {
        pullingOut_ = false;
        pullOut_();
        return;
    }
    const bool numbered = reports_.front().id != 0;
    for (const ReportDecl& r : reports_)
        if (r.kind == 0x81 && (!numbered || (!report.empty() && r.id == report[0])))
            report.resize(std::max(report.size(), std::size_t{r.count} + (numbered ? 1 : 0)));
    if (frameUs_ != 0) usleep(frameUs_);
    send_(report);
}

void Chip::unanswered(const char* kind, std::uint8_t id) {
    char request[48];
    std::snprintf(request, sizeof request, "%s 0x%02x", kind, id);
    std::fprintf(stderr,
                 "kernel_bridge: the driver asked %s, which this stand-in does not answer\n",
                 request);
    ++unanswered_[request];
}

bool Chip::reachesBus(std::uint8_t slave) {
    if ((slave & 0xfe) == vorlix::kLastSearchedAddress) ++sweeps_;
    if (unplugAt_ && camera_.transactions() + 1 >= *unplugAt_) {
        unplugAt_.reset();
        pullingOut_ = true;
        return false;
    }
    return true;
}

std::unique_ptr<Chip> makeChip(const std::string& name) {
    if (name == "cp2112") return std::make_unique<Cp2112>();
    if (name == "mcp2221") return std::make_unique<Mcp2221>();
    if (name == "ft260") return std::make_unique<Ft260>();
    return nullptr;
}

}  // namespace vorlix::kernel_test
