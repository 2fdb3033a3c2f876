// A USB-to-I2C bridge chip for the kernel's own HID drivers: this program becomes the CP2112
// (hid-cp2112), the MCP2221 (hid-mcp2221) or the FT260 (hid-ft260) as a USB device on the
// kernel's virtual host controller, with the chip's ids and a serial number; usbhid and the
// chip's driver bind to it as to the real chip and register its I2C bus, and every transfer the
// driver then makes goes to one simulated camera (bridge_chip.h; the device: usb_gadget.h).
//
// Usage: kernel_bridge cp2112|mcp2221|ft260
// The control channel is standard input and output, held open for the guest's whole life (a
// coprocess of the guest's script): a command a line, "SEQ COMMAND [ARG]", each answered by
// exactly one line "SEQ ok [TEXT]" or "SEQ error WHY" with the command's own SEQ, so a reply
// is matched to its command even when the script gave up waiting for an earlier one.
//   bound          answers once the driver's probe has returned (the kernel's "bind" event of
//                  the HID device), with the driver's name; at once when it is bound already
//   usb            the device's USB port path, as the kernel names the device, and its serial
//   unplug         pulls the device out of its port; answers once the driver has let it go
//                  (the "unbind" event: its I2C bus is gone)
//   plug           puts the device back; answers as bound does
//   load FILE      the camera from a state file (built-in default when FILE does not exist)
//   socket FILE    the socket's module from a state file, put in (or taken out: "present":
//                  false) between two transactions, the chip's transfer under way kept
//   swept N        answers once N address searches have swept the bus to its end (found
//                  nobody) since the command
//   save FILE      the camera's state into FILE, unless the loaded file already says it
//   frame US       hold each input report back for US microseconds (a USB frame), 0: at once
//   unplug-at N    the N-th transaction from now on never reaches the camera: the device is
//                  pulled out instead
//   asked          what the driver asked since the last "asked" that this stand-in does not
//                  answer (a report or command it does not know), "-" when nothing
// Every request it cannot answer is also logged on standard error when it comes; with
// KERNEL_BRIDGE_LOG set in the environment, every request and output report is logged there
// with the time it came. End of file on standard input pulls the device out and ends the
// program.
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "tests/kernel/bridge_chip.h"
#include "tests/kernel/usb_gadget.h"

namespace {

using vorlix::kernel_test::Chip;
using vorlix::kernel_test::UsbGadget;

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "kernel_bridge: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// The kernel's device events (netlink's uevents): the driver's "bind" of the HID device is the
// event that its probe has returned, after which the HID core passes the chip's answers on;
// its "unbind" that the driver has let the device go; the USB device's "add" names its port.
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
    // The HID driver bound to the device, empty while there is none.
    const std::string& driver() const { return driver_; }
    // The device's USB port path ("1-1"), empty until the host has enumerated it.
    const std::string& port() const { return port_; }

    void read() {
        char buf[4096];
        const ssize_t n = recv(fd_, buf, sizeof buf - 1, 0);
        if (n <= 0) return;
        buf[n] = '\0';
        std::string action, subsystem, driver, devtype, devpath;
        for (const char* field = buf; field < buf + n; field += std::strlen(field) + 1) {
            const std::string f = field;
            const auto value = [&f](const char* key) {
                const std::size_t k = std::strlen(key);
                return f.compare(0, k, key) == 0 ? std::optional(f.substr(k)) : std::nullopt;
            };
            if (auto v = value("ACTION=")) action = *v;
            if (auto v = value("SUBSYSTEM=")) subsystem = *v;
            if (auto v = value("DRIVER=")) driver = *v;
            if (auto v = value("DEVTYPE=")) devtype = *v;
            if (auto v = value("DEVPATH=")) devpath = *v;
        }
        if (subsystem == "hid" && action == "bind") driver_ = driver;
        if (subsystem == "hid" && action == "unbind") driver_.clear();
        if (subsystem == "usb" && devtype == "usb_device" && action == "add") {
            const std::string name = devpath.substr(devpath.rfind('/') + 1);
            if (name.rfind("usb", 0) != 0) port_ = name;  // not a root hub
        }
    }

private:
    int fd_ = -1;
    std::string driver_;
    std::string port_;
};

// One line on the control channel: "SEQ ok TEXT" or "SEQ error WHY".
void reply(const std::string& seq, const std::string& answer) {
    const std::string text = seq + " " + answer + "\n";
    if (write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        die("control reply");
}

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<Chip> chip = argc == 2 ? vorlix::kernel_test::makeChip(argv[1]) : nullptr;
    if (!chip) {
        std::fprintf(stderr, "usage: kernel_bridge cp2112|mcp2221|ft260\n");
        return 2;
    }
    DeviceEvents events;  // listening before the device exists: its bind cannot be missed
    std::optional<UsbGadget> device;
    try {
        device.emplace(*chip);
        device->plugIn();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kernel_bridge: %s\n", e.what());
        return 1;
    }

    std::string pending;
    std::optional<std::string> waitingForBind;    // the SEQ of a "bound" or "plug" not answered
    std::optional<std::string> waitingForUnbind;  // the SEQ of an "unplug" not answered
    // The SEQ of a "swept" not answered, and the count of sweeps it waits for.
    std::optional<std::pair<std::string, std::uint32_t>> waitingForSweeps;
    for (;;) {
        pollfd fds[4] = {{device->controlFd(), POLLIN, 0},
                         {device->outputFd(), POLLIN, 0},
                         {events.fd(), POLLIN, 0},
                         {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, 4, -1) < 0) {
            if (errno == EINTR) continue;
            die("poll");
        }
        if (fds[0].revents & POLLIN) device->handleControl();
        if (fds[1].revents & POLLIN) device->handleOutput();
        if (fds[2].revents & POLLIN) events.read();
        if (waitingForBind && !events.driver().empty()) {
            reply(*waitingForBind, "ok " + events.driver());
            waitingForBind.reset();
        }
        if (waitingForSweeps && chip->sweeps() >= waitingForSweeps->second) {
            reply(waitingForSweeps->first, "ok");
            waitingForSweeps.reset();
        }
        if (waitingForUnbind && events.driver().empty()) {
            reply(*waitingForUnbind, "ok");
            waitingForUnbind.reset();
        }
        if (!(fds[3].revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        const ssize_t got = read(STDIN_FILENO, buf, sizeof buf);
        if (got == 0) {  // the guest's script has ended
            device->pullOut();
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
                if (cmd == "bound" || cmd == "plug") {
                    if (cmd == "plug") device->plugIn();
                    if (events.driver().empty()) {
                        waitingForBind = seq;
                        continue;
                    }
                    answer += " " + events.driver();
                } else if (cmd == "unplug") {
                    device->pullOut();
                    if (!events.driver().empty()) {
                        waitingForUnbind = seq;
                        continue;
                    }
                } else if (cmd == "usb") {
                    answer += " " + events.port() + " " + chip->identity().serial;
                } else if (cmd == "load") {
                    chip->load(arg);
                } else if (cmd == "socket") {
                    chip->insert(arg);
                } else if (cmd == "swept") {
                    waitingForSweeps.emplace(
                        seq, chip->sweeps() + static_cast<std::uint32_t>(std::stoul(arg)));
                    continue;
                } else if (cmd == "save") {
                    chip->save(arg);
                } else if (cmd == "frame") {
                    chip->setFrame(static_cast<unsigned>(std::stoul(arg)));
                } else if (cmd == "unplug-at") {
                    chip->unplugAt(static_cast<std::uint32_t>(std::stoul(arg)));
                } else if (cmd == "asked") {
                    answer += " " + chip->asked();
                } else {
                    answer = "error unknown command " + cmd;
                }
            } catch (const std::exception& e) {
                answer = std::string("error ") + e.what();
            }
            reply(seq, answer);
        }
    }
}
