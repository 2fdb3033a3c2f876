// The white-balance mode and capture.
#include "camera/white_balance.h"

namespace vorlix::camera {

namespace {

// The camera needs time to settle the held white point before the capture, and a little
// between the captured registers.
constexpr unsigned kCaptureSettleMs = 5;
constexpr unsigned kCaptureReadPauseMs = 1;

}  // namespace

void letWhiteBalanceAdapt(I2cLink& link, std::uint8_t camAddr) {
    writeRegister(link, camAddr, kRegWhiteBalanceMode, kWhiteBalanceAdapts);
}

void releaseWhiteBalance(I2cLink& link, std::uint8_t camAddr, WhiteBalanceRegisters& captured) {
    letWhiteBalanceAdapt(link, camAddr);
    captured[0] = kWhiteBalanceAdapts;
}

Result<WhiteBalanceRegisters> captureWhiteBalance(I2cLink& link, std::uint8_t camAddr) {
    link.stopAtFirstFailure();
    writeRegister(link, camAddr, kRegWhiteBalanceMode, kWhiteBalanceHeld);
    link.pause(kCaptureSettleMs);
    Result<WhiteBalanceRegisters> capture;
    for (std::size_t i = 0; i < kWhiteBalanceWalk.size() && !link.failed(); ++i) {
        link.pause(kCaptureReadPauseMs);
        capture.value[i] = readRegister(link, camAddr, kWhiteBalanceWalk[i]);
    }
    if (link.failed())
        return {.outcome = Outcome::Failed,
                .words = "The white balance capture failed and nothing of it was kept"};
    return capture;
}

}  // namespace vorlix::camera
