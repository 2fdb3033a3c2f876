#include "tests/kernel/usb_gadget.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace vorlix::kernel_test {
namespace {

namespace fs = std::filesystem;

const fs::path kGadget = "/sys/kernel/config/usb_gadget/vorlix";
constexpr const char* kFunction = "ffs.bridge";
constexpr const char* kFunctionFsName = "bridge";  // FunctionFS's name of the function
const fs::path kFunctionFs = "/dev/ffs-bridge";

constexpr std::uint8_t kInEndpoint = 0x81;
constexpr std::uint8_t kOutEndpoint = 0x02;
constexpr std::uint16_t kMaxPacket = 64;  // a full-speed interrupt endpoint, one report each
// HID class: descriptor types and requests.
constexpr std::uint8_t kHidDescriptor = 0x21;
constexpr std::uint8_t kReportDescriptor = 0x22;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0a;
constexpr std::uint8_t kFeatureReport = 3;  // the report type in GET_REPORT's high byte

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeAttribute(const fs::path& file, const std::string& value) {
    std::ofstream out(file);
    out << value;
    out.close();
    if (!out) fail("cannot write " + value + " into " + file.string());
}

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

// The HID class descriptor that follows the interface's: HID 1.11, one report descriptor.
Bytes hidDescriptor(std::size_t reportDescriptorLength) {
    Bytes d = {9, kHidDescriptor, 0x11, 0x01, 0x00, 0x01, kReportDescriptor};
    put16(d, static_cast<std::uint16_t>(reportDescriptorLength));
    return d;
}

// The function's descriptors for FunctionFS (full speed only): one HID interface with an
// interrupt IN and an interrupt OUT endpoint, polled every frame.
Bytes functionDescriptors(std::size_t reportDescriptorLength) {
    Bytes body = {9, USB_DT_INTERFACE, 0, 0, 2, USB_CLASS_HID, 0, 0, 0};
    const Bytes hid = hidDescriptor(reportDescriptorLength);
    body.insert(body.end(), hid.begin(), hid.end());
    for (std::uint8_t address : {kInEndpoint, kOutEndpoint}) {
        body.insert(body.end(),
                    {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_INT});
        put16(body, kMaxPacket);
        body.push_back(1);  // bInterval: 1 ms
    }
    Bytes d;
    put32(d, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    put32(d, static_cast<std::uint32_t>(12 + 4 + body.size()));
    put32(d, FUNCTIONFS_HAS_FS_DESC);
    put32(d, 4);  // descriptors: interface, HID, two endpoints
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

// No strings of the function's own: the device's names are the gadget's.
Bytes noStrings() {
    Bytes s;
    put32(s, FUNCTIONFS_STRINGS_MAGIC);
    put32(s, 16);
    put32(s, 0);
    put32(s, 0);
    return s;
}

// "12.345 WHAT": an event of the device on standard error, with the time it came.
void logEvent(const char* what, unsigned a, unsigned b, unsigned c) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    std::fprintf(stderr, "%ld.%03ld %s %02x %02x %u\n", static_cast<long>(t.tv_sec),
                 t.tv_nsec / 1000000, what, a, b, c);
}

void writeAll(int fd, const Bytes& data, const char* what) {
    if (write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) fail(what);
}

}  // namespace

UsbGadget::UsbGadget(Chip& chip)
    : chip_(chip), identity_(chip.identity()), log_(std::getenv("KERNEL_BRIDGE_LOG") != nullptr) {
    describe();

    fs::create_directories(kFunctionFs);
    if (mount(kFunctionFsName, kFunctionFs.c_str(), "functionfs", 0, nullptr) != 0)
        fail("cannot mount FunctionFS at " + kFunctionFs.string());
    ep0_ = open((kFunctionFs / "ep0").c_str(), O_RDWR | O_CLOEXEC);
    if (ep0_ < 0) fail("cannot open ep0");
    writeAll(ep0_, functionDescriptors(identity_.reportDescriptor.size()), "descriptors");
    writeAll(ep0_, noStrings(), "strings");
    // In: a report for an endpoint the host does not poll (the function is disabled, the
    // device unplugged) is dropped rather than waited on.
    epIn_ = open((kFunctionFs / "ep1").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    epOut_ = open((kFunctionFs / "ep2").c_str(), O_RDONLY | O_CLOEXEC);
    if (epIn_ < 0 || epOut_ < 0) fail("cannot open the interrupt endpoints");
    if (pipe2(outputPipe_, O_CLOEXEC) != 0) fail("pipe");
    fcntl(outputPipe_[0], F_SETFL, O_NONBLOCK);
    outputReader_ = std::thread([this] { readOutputReports(); });
    // The reader runs before anything else that is ready, the host's drivers included: on the
    // guest's one processor it has an output report in the pipe before the driver can send
    // its next request, so a feature report asked for after an output report is answered
    // after that report (handleControl drains the pipe first), as the chip answers them.
    const sched_param realtime{1};
    if (const int err =
            pthread_setschedparam(outputReader_.native_handle(), SCHED_FIFO, &realtime)) {
        errno = err;
        fail("cannot give the output reports' reader a real-time priority");
    }
    outputReader_.detach();  // blocked in the endpoint's read until the process ends

    for (const auto& entry : fs::directory_iterator("/sys/class/udc")) {
        udc_ = entry.path().filename().string();
        break;
    }
    if (udc_.empty()) throw std::runtime_error("no USB device controller (is dummy_hcd loaded?)");
    chip_.connectTo([this](const Bytes& report) { sendInput(report); }, [this] { pullOut(); });
}

// The gadget in configfs: the device's identity, one configuration, the FunctionFS function.
void UsbGadget::describe() {
    fs::create_directories(kGadget / "strings/0x409");
    writeAttribute(kGadget / "idVendor", hex4(identity_.vendor));
    writeAttribute(kGadget / "idProduct", hex4(identity_.product));
    writeAttribute(kGadget / "bcdDevice", "0x0100");
    writeAttribute(kGadget / "bcdUSB", "0x0200");
    writeAttribute(kGadget / "max_speed", "full-speed");
    writeAttribute(kGadget / "strings/0x409/manufacturer", identity_.manufacturer);
    writeAttribute(kGadget / "strings/0x409/product", identity_.productName);
    writeAttribute(kGadget / "strings/0x409/serialnumber", identity_.serial);
    fs::create_directories(kGadget / "configs/c.1");
    writeAttribute(kGadget / "configs/c.1/MaxPower", "100");
    fs::create_directories(kGadget / "functions" / kFunction);
    fs::create_directory_symlink(kGadget / "functions" / kFunction,
                                 kGadget / "configs/c.1" / kFunction);
}

// Binding the gadget to the controller connects it to the port, unbinding disconnects it. (The
// controller's soft_connect attribute would keep the gadget bound, but dummy_hcd of Linux 6.1
// stays deaf after its "disconnect": its stop turns the gadget's events off, and "connect"
// never turns them on again, so the host's requests after a re-plug fail with EPROTO.)
void UsbGadget::plugIn() {
    if (plugged_) return;
    writeAttribute(kGadget / "UDC", udc_);
    plugged_ = true;
}

void UsbGadget::pullOut() {
    if (!plugged_) return;
    writeAttribute(kGadget / "UDC", "\n");
    plugged_ = false;
}

void UsbGadget::handleControl() {
    usb_functionfs_event events[4];
    const ssize_t n = read(ep0_, events, sizeof events);
    if (n <= 0) return;
    // A setup request, if any, is the last event of a read: it is answered before the next,
    // and after the output reports that came before it.
    for (ssize_t i = 0; i < n / static_cast<ssize_t>(sizeof events[0]); ++i) {
        if (events[i].type != FUNCTIONFS_SETUP) continue;
        handleOutput();
        answerSetup(reinterpret_cast<const unsigned char*>(&events[i].u.setup));
    }
}

// One request on the control endpoint for the HID interface. What the interface does not
// answer stalls, as on the chip.
void UsbGadget::answerSetup(const unsigned char* raw) {
    usb_ctrlrequest setup;
    std::memcpy(&setup, raw, sizeof setup);
    const std::uint16_t value = setup.wValue;
    const std::uint16_t length = setup.wLength;
    const bool in = setup.bRequestType & USB_DIR_IN;
    const std::uint8_t type = setup.bRequestType & USB_TYPE_MASK;
    if (log_) logEvent("setup", setup.bRequestType, setup.bRequest, value);
    std::optional<Bytes> reply;  // for a request that reads from the device
    if (in && type == USB_TYPE_STANDARD && setup.bRequest == USB_REQ_GET_DESCRIPTOR) {
        if (value >> 8 == kReportDescriptor) reply = identity_.reportDescriptor;
        if (value >> 8 == kHidDescriptor) reply = hidDescriptor(identity_.reportDescriptor.size());
    } else if (in && type == USB_TYPE_CLASS && setup.bRequest == kGetReport &&
               value >> 8 == kFeatureReport) {
        reply = chip_.featureReport(static_cast<std::uint8_t>(value));
    } else if (!in && type == USB_TYPE_CLASS &&
               (setup.bRequest == kSetReport || setup.bRequest == kSetIdle)) {
        Bytes data(length);
        const ssize_t got = read(ep0_, data.data(), data.size());
        if (got >= 0 && setup.bRequest == kSetReport && value >> 8 == kFeatureReport) {
            data.resize(static_cast<std::size_t>(got));
            chip_.setFeatureReport(data);
        }
        return;
    }
    if (reply) {
        if (reply->size() > length) reply->resize(length);
        if (write(ep0_, reply->data(), reply->size()) < 0) return;  // the host gave up
        return;
    }
    // A stall: reading answers an IN request with one, writing an OUT request.
    std::uint8_t none = 0;
    if (in)
        (void)!read(ep0_, &none, 0);
    else
        (void)!write(ep0_, &none, 0);
}

void UsbGadget::handleOutput() {
    std::uint8_t length = 0;
    while (read(outputPipe_[0], &length, 1) == 1) {
        Bytes report(length);
        if (read(outputPipe_[0], report.data(), length) != length) return;
        if (log_) logEvent("output", length ? report[0] : 0, 0, length);
        chip_.outputReport(report);
    }
}

void UsbGadget::sendInput(const Bytes& report) {
    // EAGAIN: the endpoint is not enabled (the device is out), and the report is lost with
    // the device, as on the wire.
    (void)!write(epIn_, report.data(), report.size());
}

// The output reports as they come, each through the pipe as its length and its bytes. A read
// fails while the function is disabled (the device out); the next one waits for it to come back.
void UsbGadget::readOutputReports() {
    std::uint8_t packet[1 + kMaxPacket];
    for (;;) {
        const ssize_t n = read(epOut_, packet + 1, kMaxPacket);
        if (n < 0) {
            if (errno == EINTR || errno == ESHUTDOWN || errno == ECONNRESET) continue;
            std::fprintf(stderr, "kernel_bridge: reading the OUT endpoint: %s\n",
                         std::strerror(errno));
            return;
        }
        packet[0] = static_cast<std::uint8_t>(n);
        if (write(outputPipe_[1], packet, static_cast<std::size_t>(n) + 1) != n + 1) return;
    }
}

}  // namespace vorlix::kernel_test
