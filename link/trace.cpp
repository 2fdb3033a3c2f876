#include "link/trace.h"

#include "io/hex.h"
#include "io/printable.h"
#include "link/sub_address.h"

namespace vorlix {

namespace {

using io::hexByte;

std::string bytesText(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ';
        text += hexByte(bytes[i]);
    }
    return text;
}

std::string subText(std::uint32_t subLength, std::uint32_t subAddress) {
    const std::vector<std::uint8_t> sub = subAddressBytes(subLength, subAddress);
    return bytesText(sub.data(), sub.size());
}

// A failed transfer carries its status in decimal, as the status table numbers them.
std::string statusSuffix(std::uint16_t status) {
    return status == kStatusOk ? std::string() : " !" + std::to_string(status);
}

}  // namespace

void Trace::line(const std::string& text, bool failedTransfer) {
    if (out_ == nullptr && listener_ == nullptr) return;
    // Text from outside (an action line, a file name in a box) has its control characters
    // escaped: one event stays one line.
    const std::string shown = io::printable(text);
    // Flushed per line so that a trace read while the program runs, or after it died, is
    // complete up to the last event.
    if (out_ != nullptr) *out_ << shown << '\n' << std::flush;
    if (listener_) listener_(shown, failedTransfer);
}

AdapterHandle TracingAdapter::open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) {
    const AdapterHandle handle = AdapterDecorator::open(slave, timeout, speed);
    slaves_[handle] = slave;
    return handle;
}

std::uint16_t TracingAdapter::write(AdapterHandle handle, const std::uint8_t* data,
                                    std::uint32_t reserved, std::uint32_t count) {
    const std::uint16_t status = AdapterDecorator::write(handle, data, reserved, count);
    transfer("W " + hexByte(slaveOf(handle)) + bytesText(data, count), status);
    return status;
}

std::uint16_t TracingAdapter::writeSub(AdapterHandle handle, std::uint32_t subLength,
                                       std::uint32_t subAddress, const std::uint8_t* data,
                                       std::uint32_t count, std::uint32_t reserved) {
    const std::uint16_t status =
        AdapterDecorator::writeSub(handle, subLength, subAddress, data, count, reserved);
    transfer(
        "W " + hexByte(slaveOf(handle)) + subText(subLength, subAddress) + bytesText(data, count),
        status);
    return status;
}

std::uint16_t TracingAdapter::read(AdapterHandle handle, std::uint8_t* buffer,
                                   std::uint32_t reserved, std::uint32_t count) {
    const std::uint16_t status = AdapterDecorator::read(handle, buffer, reserved, count);
    transfer("R " + hexByte(slaveOf(handle)) + ' ' + std::to_string(count) + " :" +
                 bytesText(buffer, count),
             status);
    return status;
}

std::uint16_t TracingAdapter::readSub(AdapterHandle handle, std::uint32_t subLength,
                                      std::uint32_t subAddress, std::uint8_t* buffer,
                                      std::uint32_t count, std::uint32_t reserved) {
    const std::uint16_t status =
        AdapterDecorator::readSub(handle, subLength, subAddress, buffer, count, reserved);
    transfer("WR " + hexByte(slaveOf(handle)) + subText(subLength, subAddress) + " :" +
                 bytesText(buffer, count),
             status);
    return status;
}

void TracingAdapter::close(AdapterHandle handle) {
    AdapterDecorator::close(handle);
    slaves_.erase(handle);
}

// A failed transfer carries its status at the end of its line, and the listener learns that it
// failed without reading the line.
void TracingAdapter::transfer(const std::string& text, std::uint16_t status) {
    trace_.line(text + statusSuffix(status), status != kStatusOk);
}

// A handle the trace never saw opened shows as slave 00.
std::uint8_t TracingAdapter::slaveOf(AdapterHandle handle) const {
    const auto it = slaves_.find(handle);
    return it == slaves_.end() ? 0 : it->second;
}

void TracingPacer::sleepMs(unsigned ms) {
    trace_.line("P " + std::to_string(ms));
    inner_.sleepMs(ms);
}

void TracingPacer::sleepMsWhile(unsigned ms, const std::function<void()>& work) {
    trace_.line("P " + std::to_string(ms));
    inner_.sleepMsWhile(ms, work);
}

}  // namespace vorlix
