#pragma once
// A chip as a USB device on the kernel's virtual host controller (dummy_hcd): a gadget made
// through configfs with the chip's vendor and product ids, names and serial number, whose one
// HID interface is a FunctionFS function served by this process. The host enumerates it as it
// enumerates the real chip, usbhid claims the interface, and the chip's HID driver binds; the
// device sits on a USB port, so sysfs shows its port path and serial.
//
// On the wire: the host's class requests arrive on the control endpoint (the report descriptor,
// GET_REPORT and SET_REPORT of feature reports, SET_IDLE), output reports on an interrupt OUT
// endpoint, and input reports leave on an interrupt IN endpoint, all full speed as on the chip.
// Output reports are read by a thread of their own (an endpoint file cannot be polled) and
// handed to the caller's loop through a pipe, so the chip is only ever touched by one thread;
// the order of output reports and control requests is kept (see the constructor).
#include <string>
#include <thread>

#include "tests/kernel/bridge_chip.h"

namespace vorlix::kernel_test {

class UsbGadget {
public:
    // Makes the gadget and its function (configfs must be mounted at /sys/kernel/config);
    // nothing is on the bus until plugIn(). Throws std::runtime_error when the kernel refuses.
    explicit UsbGadget(Chip& chip);
    UsbGadget(const UsbGadget&) = delete;
    UsbGadget& operator=(const UsbGadget&) = delete;

    // Connects the device to the host's port, or disconnects it, as a cable would.
    void plugIn();
    void pullOut();
    bool pluggedIn() const { return plugged_; }

    // To poll: the control endpoint's events, and the output reports that came.
    int controlFd() const { return ep0_; }
    int outputFd() const { return outputPipe_[0]; }
    // Answers what came on the control endpoint (the host's requests, and the function being
    // enabled or disabled).
    void handleControl();
    // Hands the output reports that came to the chip, in order.
    void handleOutput();

private:
    void describe();
    void sendInput(const Bytes& report);
    void readOutputReports();
    void answerSetup(const unsigned char* setup);

    Chip& chip_;
    ChipIdentity identity_;
    std::string udc_;  // the virtual controller the gadget is bound to
    int ep0_ = -1;
    int epIn_ = -1;
    int epOut_ = -1;
    int outputPipe_[2] = {-1, -1};
    bool log_;              // every request and output report on standard error, with its time
    bool plugged_ = false;  // connected to the host
    std::thread outputReader_;
};

}  // namespace vorlix::kernel_test
