// A USB-to-I2C bridge chip played through /dev/uhid, for the kernel's own HID drivers: the
// CP2112 (hid-cp2112) or the MCP2221 (hid-mcp2221) binds to the device this program creates,
// registers its I2C bus, and every I2C transfer the driver then makes arrives here as the
// chip's reports. Each transfer goes to one SimCamera as one bus transaction, and its answer
// goes back in the chip's own codes (a NACK, a busy bus, a timeout), so the driver reports it
// the way it does for the real chip.
//
// Usage: kernel_bridge cp2112|mcp2221
// The control channel is standard input and output, held open for the guest's whole life (a
// coprocess of the guest's script): a command a line, "SEQ COMMAND [ARG]", each answered by
// exactly one line "SEQ ok [TEXT]" or "SEQ error WHY" with the command's own SEQ, so a reply
// is matched to its command even when the script gave up waiting for an earlier one.
//   bound          answers once the driver's probe has returned (the kernel's "bind" event of
//                  the device), with the driver's name; at once when that happened already
//   load FILE      the camera from a state file (built-in default when FILE does not exist)
//   save FILE      the camera's state into FILE, unless the loaded file already says it
//   frame US       hold each input report back for US microseconds (a USB frame), 0: at once
//   unplug-at N    the N-th transaction from now on never reaches the camera: the device is
//                  destroyed instead, as if the bridge were pulled out
//   asked          what the driver asked since the last "asked" that this stand-in does not
//                  answer (a report or command it does not know), "-" when nothing
// Every request it cannot answer is also logged on standard error when it comes; with
// KERNEL_BRIDGE_LOG set in the environment, every event from the kernel is logged there with
// the time it came. End of file on standard input destroys the device and ends the program.
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/sim_camera.h"

namespace {

using vorlix::sim::SimCamera;
using vorlix::sim::SimState;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kOk = vorlix::kStatusOk;
constexpr std::uint16_t kTimeout = vorlix::kStatusTimeout;
constexpr std::uint16_t kBusy = vorlix::kStatusBusy;
constexpr std::uint16_t kNotPresent = vorlix::kStatusNotPresent;

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "kernel_bridge: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// A vendor-defined report descriptor: one collection, and for each report id its length in
// bytes after the id, as an input, output or feature report. Id 0 means unnumbered reports.
struct ReportDecl {
    std::uint8_t id;
    std::uint8_t kind;  // 0x81 input, 0x91 output, 0xb1 feature
    std::uint8_t count;
};

Bytes descriptor(const std::vector<ReportDecl>& reports) {
    Bytes d = {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08};
    for (const ReportDecl& r : reports) {
        if (r.id != 0) d.insert(d.end(), {0x85, r.id});
        d.insert(d.end(), {0x09, 0x01, 0x95, r.count, r.kind, 0x02});
    }
    d.push_back(0xc0);
    return d;
}

class Bridge {
public:
    Bridge(bool cp2112, int uhid) : cp2112_(cp2112), uhid_(uhid) {}

    void create() {
        uhid_event ev{};
        ev.type = UHID_CREATE2;
        auto& c = ev.u.create2;
        const char* name = cp2112_ ? "Silicon Labs CP2112 HID USB-to-SMBus Bridge"
                                   : "Microchip Technology Inc. MCP2221 USB-I2C/UART Combo";
        std::snprintf(reinterpret_cast<char*>(c.name), sizeof c.name, "%s", name);
        std::snprintf(reinterpret_cast<char*>(c.phys), sizeof c.phys, "usb-standin-1/input0");
        Bytes rd;
        if (cp2112_) {
            rd = descriptor({{0x05, 0xb1, 2},
                             {0x06, 0xb1, 13},
                             {0x10, 0x91, 3},
                             {0x11, 0x91, 20},
                             {0x12, 0x91, 2},
                             {0x13, 0x81, 63},
                             {0x14, 0x91, 63},
                             {0x15, 0x91, 1},
                             {0x16, 0x81, 6},
                             {0x17, 0x91, 1},
                             {0x20, 0xb1, 1}});
            c.vendor = 0x10c4;
            c.product = 0xea90;
        } else {
            rd = descriptor({{0, 0x81, 64}, {0, 0x91, 64}});
            c.vendor = 0x04d8;
            c.product = 0x00dd;
        }
        std::memcpy(c.rd_data, rd.data(), rd.size());
        c.rd_size = static_cast<std::uint16_t>(rd.size());
        c.bus = 0x03;  // BUS_USB: the drivers match USB devices only
        c.version = 0x0100;
        send(ev);
        plugged_ = true;
    }

    void destroy() {
        uhid_event ev{};
        ev.type = UHID_DESTROY;
        send(ev);
        plugged_ = false;
    }

    void load(const std::string& path) {
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        vorlix::io::Expected<SimState> state =
            exists ? vorlix::sim::loadSimState(path) : SimState::builtInDefault();
        if (!state) die(state.why());
        camera_ = SimCamera(std::move(*state));
        loaded_.reset();
        if (exists) {
            std::ifstream in(path, std::ios::binary);
            loaded_ = std::string(std::istreambuf_iterator<char>(in), {});
        }
        unplugAt_.reset();
        pendingWrite_.clear();
    }

    // As --bus sim leaves its state file: written whole, so that a file which comes out
    // byte for byte as it went in is no change.
    void save(const std::string& path) {
        if (loaded_ == vorlix::sim::formatSimState(camera_.state())) return;
        if (const vorlix::io::Expected<> saved = vorlix::sim::saveSimState(camera_.state(), path);
            !saved)
            die(saved.why());
    }

    void setFrame(unsigned us) { frameUs_ = us; }
    void unplugAt(std::uint32_t n) { unplugAt_ = camera_.transactions() + n; }
    bool plugged() const { return plugged_; }

    // The requests this stand-in could not answer since the last call, "-" when none: what a
    // driver of another kernel asks that the chip's stand-in does not know yet.
    std::string asked() {
        std::string text;
        for (const auto& [request, times] : unanswered_)
            text += (text.empty() ? "" : "; ") + request + " (" + std::to_string(times) + "x)";
        unanswered_.clear();
        return text.empty() ? "-" : text;
    }

    // One event from the kernel.
    void handle(const uhid_event& ev) {
        if (log_) {
            timespec t{};
            clock_gettime(CLOCK_MONOTONIC, &t);
            std::fprintf(stderr, "%ld.%03ld event %u %02x %u\n", static_cast<long>(t.tv_sec),
                         t.tv_nsec / 1000000, ev.type,
                         ev.type == UHID_OUTPUT ? ev.u.output.data[0] : 0,
                         ev.type == UHID_OUTPUT ? ev.u.output.size : 0);
        }
        switch (ev.type) {
            case UHID_GET_REPORT:
                getReport(ev.u.get_report);
                break;
            case UHID_SET_REPORT: {
                uhid_event reply{};
                reply.type = UHID_SET_REPORT_REPLY;
                reply.u.set_report_reply.id = ev.u.set_report.id;
                send(reply);
                break;
            }
            case UHID_OUTPUT:
                if (cp2112_)
                    cp2112Output(ev.u.output.data, ev.u.output.size);
                else
                    mcp2221Output(ev.u.output.data, ev.u.output.size);
                break;
            default:
                break;  // start, stop, open, close: nothing to answer
        }
    }

private:
    void unanswered(const char* kind, std::uint8_t id) {
        char request[48];
        std::snprintf(request, sizeof request, "%s 0x%02x", kind, id);
        std::fprintf(stderr,
                     "kernel_bridge: the driver asked %s, which this stand-in does not answer\n",
                     request);
        ++unanswered_[request];
    }

    void send(const uhid_event& ev) {
        if (write(uhid_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev)) die("uhid write");
    }

    void input(const Bytes& report) {
        if (!plugged_) return;
        if (frameUs_ != 0) usleep(frameUs_);
        uhid_event ev{};
        ev.type = UHID_INPUT2;
        std::memcpy(ev.u.input2.data, report.data(), report.size());
        ev.u.input2.size = static_cast<std::uint16_t>(report.size());
        send(ev);
    }

    // Counts a transaction that reaches the bus; false when it is the one the bridge is
    // pulled out at (it reaches no device).
    bool reachesBus() {
        if (unplugAt_ && camera_.transactions() + 1 >= *unplugAt_) {
            unplugAt_.reset();
            destroy();
            return false;
        }
        return true;
    }

    void getReport(const uhid_get_report_req& req) {
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = req.id;
        Bytes data;
        if (cp2112_ && req.rnum == 0x05) data = {0x05, 0x0c, 0x02};  // part number, version 2
        if (cp2112_ && req.rnum == 0x06)  // 100 kHz, address 0x02, no timeouts, no retries
            data = {0x06, 0x00, 0x01, 0x86, 0xa0, 0x02, 0x00,
                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        if (cp2112_ && req.rnum == 0x20) data = {0x20, 0xff};
        if (data.empty()) {
            unanswered("GET_REPORT", req.rnum);
            reply.u.get_report_reply.err = EIO;
        } else {
            std::memcpy(reply.u.get_report_reply.data, data.data(), data.size());
            reply.u.get_report_reply.size = static_cast<std::uint16_t>(data.size());
        }
        send(reply);
    }

    // The CP2112: a request starts a transfer; the driver then polls the transfer status and,
    // for reads, forces the data out.
    void cp2112Output(const std::uint8_t* d, std::size_t n) {
        if (n < 1) return;
        switch (d[0]) {
            case 0x10:    // data read request: address, length (big-endian)
            case 0x11: {  // write-read: address, length, target address length, target
                if (n < 4) return;
                const std::size_t len = static_cast<std::size_t>(d[2] << 8 | d[3]);
                readData_.assign(len, 0);
                readOffset_ = 0;
                if (!reachesBus()) return;
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
                if (n < 3 || !reachesBus()) return;
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
            case 0x17:
                status_ = kOk;
                readData_.clear();
                break;  // cancel
            default:
                unanswered("output report", d[0]);
                break;
        }
    }

    // The MCP2221: 64-byte commands, each answered by a 64-byte report. A write collects its
    // chunks and goes on the bus once all bytes are in; its outcome shows in the next status.
    void mcp2221Output(const std::uint8_t* d, std::size_t n) {
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
                    if (reachesBus())
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
                if (!reachesBus()) return;
                std::uint16_t status;
                if (d[0] == 0x91)
                    status = camera_.readTransaction(d[3] | 1, readData_.data(), len);
                else
                    status =
                        camera_.writeReadTransaction(d[3] & 0xfe, repeatedStart_.data(),
                                                     repeatedStart_.size(), readData_.data(), len);
                repeatedStart_.clear();
                readStatus_ = status;
                finishWrite(status);
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

    bool cp2112_;
    int uhid_;
    bool log_ = std::getenv("KERNEL_BRIDGE_LOG") != nullptr;  // each event on stderr
    bool plugged_ = false;
    SimCamera camera_;
    std::optional<std::string> loaded_;  // the state file as it was loaded, if there was one
    unsigned frameUs_ = 0;
    std::optional<std::uint32_t> unplugAt_;
    // CP2112: the last transfer's outcome and the bytes it read.
    std::uint16_t status_ = kOk;
    bool isRead_ = false;
    Bytes readData_;
    std::size_t readOffset_ = 0;
    // MCP2221: the write being collected, the bytes before a repeated start, the engine.
    Bytes pendingWrite_;
    std::uint8_t writeAddress_ = 0;
    Bytes repeatedStart_;
    std::uint16_t readStatus_ = kOk;
    std::uint8_t engine_ = 0x00;
    bool nack_ = false;
    std::map<std::string, int> unanswered_;  // request -> times asked, since the last asked()
};

// The kernel's device events (netlink's uevents): the driver's "bind" of the HID device is the
// event that its probe has returned, after which the HID core passes the chip's answers on.
class DeviceEvents {
public:
    DeviceEvents() {
        fd_ = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
        if (fd_ < 0) die("uevent socket");
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = 1;  // the kernel's own events
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0)
            die("uevent bind");
    }
    int fd() const { return fd_; }
    const std::string& driver() const { return driver_; }

    // Reads one event; it is the bind when it binds a HID device to a driver.
    void read() {
        char buf[4096];
        const ssize_t n = recv(fd_, buf, sizeof buf - 1, 0);
        if (n <= 0) return;
        buf[n] = '\0';
        bool bind = false, hid = false;
        std::string driver;
        for (const char* field = buf; field < buf + n; field += std::strlen(field) + 1) {
            const std::string f = field;
            if (f == "ACTION=bind") bind = true;
            if (f == "SUBSYSTEM=hid") hid = true;
            if (f.rfind("DRIVER=", 0) == 0) driver = f.substr(7);
        }
        if (bind && hid) driver_ = driver;
    }

private:
    int fd_ = -1;
    std::string driver_;  // empty until the bind
};

// One line on the control channel: "SEQ ok TEXT" or "SEQ error WHY".
void reply(const std::string& seq, const std::string& answer) {
    const std::string text = seq + " " + answer + "\n";
    if (write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        die("control reply");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 ||
        (std::strcmp(argv[1], "cp2112") != 0 && std::strcmp(argv[1], "mcp2221") != 0)) {
        std::fprintf(stderr, "usage: kernel_bridge cp2112|mcp2221\n");
        return 2;
    }
    const int uhid = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (uhid < 0) die("/dev/uhid");
    DeviceEvents events;  // listening before the device exists: its bind cannot be missed
    Bridge bridge(std::strcmp(argv[1], "cp2112") == 0, uhid);
    bridge.create();

    std::string pending;
    std::optional<std::string> waitingForBind;  // the SEQ of a "bound" not answered yet
    for (;;) {
        pollfd fds[3] = {{uhid, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}, {events.fd(), POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            die("poll");
        }
        if (fds[0].revents & POLLIN) {
            uhid_event ev{};
            if (read(uhid, &ev, sizeof ev) > 0) bridge.handle(ev);
        }
        if (fds[2].revents & POLLIN) events.read();
        if (waitingForBind && !events.driver().empty()) {
            reply(*waitingForBind, "ok " + events.driver());
            waitingForBind.reset();
        }
        if (!(fds[1].revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        const ssize_t got = read(STDIN_FILENO, buf, sizeof buf);
        if (got == 0) {  // the guest's script has ended
            if (bridge.plugged()) bridge.destroy();
            return 0;
        }
        if (got < 0) continue;
        pending.append(buf, static_cast<std::size_t>(got));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::istringstream line(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            std::string seq, cmd, arg;
            line >> seq >> cmd >> arg;
            std::string answer = "ok";
            try {
                if (cmd == "bound") {
                    if (events.driver().empty()) {
                        waitingForBind = seq;
                        continue;
                    }
                    answer += " " + events.driver();
                } else if (cmd == "load")
                    bridge.load(arg);
                else if (cmd == "save")
                    bridge.save(arg);
                else if (cmd == "frame")
                    bridge.setFrame(static_cast<unsigned>(std::stoul(arg)));
                else if (cmd == "unplug-at")
                    bridge.unplugAt(static_cast<std::uint32_t>(std::stoul(arg)));
                else if (cmd == "asked")
                    answer += " " + bridge.asked();
                else
                    answer = "error unknown command " + cmd;
            } catch (const std::exception& e) {
                answer = std::string("error ") + e.what();
            }
            reply(seq, answer);
        }
    }
}
