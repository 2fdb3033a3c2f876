#pragma once
// The base of the adapter decorators (the trace, the interrupt check, a test's fault): each of
// the seven calls goes on to the inner adapter unchanged and its result comes back unchanged.
// A decorator overrides only the calls it adds to, and passes each on through this base, so a
// call it does not name can never be dropped or have its arguments mixed up.
#include "link/adapter.h"

namespace vorlix {

class AdapterDecorator : public Adapter {
public:
    explicit AdapterDecorator(Adapter& inner) : inner_(inner) {}

    // An override owes the inner adapter what the caller owes this one (every open passed on
    // is closed, one transfer between them) and the caller what the inner adapter owes.
    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override {
        return inner_.open(slave, timeout, speed);
    }
    void select(AdapterHandle handle, std::uint8_t slave) override { inner_.select(handle, slave); }
    std::uint16_t write(AdapterHandle handle, const std::uint8_t* data, std::uint32_t reserved,
                        std::uint32_t count) override {
        return inner_.write(handle, data, reserved, count);
    }
    std::uint16_t writeSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                           const std::uint8_t* data, std::uint32_t count,
                           std::uint32_t reserved) override {
        return inner_.writeSub(handle, subLength, subAddress, data, count, reserved);
    }
    std::uint16_t read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t reserved,
                       std::uint32_t count) override {
        return inner_.read(handle, buffer, reserved, count);
    }
    std::uint16_t readSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                          std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t reserved) override {
        return inner_.readSub(handle, subLength, subAddress, buffer, count, reserved);
    }
    void close(AdapterHandle handle) override { inner_.close(handle); }

private:
    Adapter& inner_;
};

}  // namespace vorlix
