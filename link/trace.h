#pragma once
// The bus trace: one line per event, in order, lower-case hex, two digits per byte.
//
//   W 70 03 30 1c            a write transaction to slave 0x70 carrying these bytes
//   R 71 2 : 01 3b           a read of 2 bytes from slave 0x71 and the bytes that came back
//   WR bb 00 40 : 80 00      a write-then-read (sub-address 00 40, two bytes back)
//   W 70 00 a6 50 !5         a failed transfer: status 5 appended
//   P 2                      a pause of 2 ms
//   B error: device not present      a message box and its text
//   D 100                    a modal dialog from template 100 was run and closed
//   # click 1014             the headless player's action
//   L open                   the bus log was opened
//
// The trace sits at the adapter boundary (TracingAdapter) and beside the pacer
// (TracingPacer); the dialog host adds boxes and dialogs through Trace::line.
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "link/adapter_decorator.h"
#include "link/pacer.h"

namespace vorlix {

class Trace {
public:
    // Lines go to out; a null stream makes a trace that drops everything.
    explicit Trace(std::ostream* out = nullptr) : out_(out) {}
    // failedTransfer: a transfer that did not end with status OK (its line ends in " !N").
    void line(const std::string& text, bool failedTransfer = false);
    bool enabled() const { return out_ != nullptr || listener_ != nullptr; }

    // Every line, as the stream gets it, also goes to the listener while one is set (the
    // window's live bus log). Called in the thread that caused the event, before it goes on.
    using Listener = std::function<void(const std::string& line, bool failedTransfer)>;
    void setListener(Listener listener) { listener_ = std::move(listener); }

private:
    std::ostream* out_;
    Listener listener_;
};

// Decorates an adapter: every transfer becomes one trace line, written once the inner adapter
// has answered (so a read shows what came back, a failure its status). Open and close only
// note the handle's slave.
class TracingAdapter : public AdapterDecorator {
public:
    TracingAdapter(Adapter& inner, Trace& trace) : AdapterDecorator(inner), trace_(trace) {}

    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override;
    std::uint16_t write(AdapterHandle handle, const std::uint8_t* data, std::uint32_t reserved,
                        std::uint32_t count) override;
    std::uint16_t writeSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                           const std::uint8_t* data, std::uint32_t count,
                           std::uint32_t reserved) override;
    std::uint16_t read(AdapterHandle handle, std::uint8_t* buffer, std::uint32_t reserved,
                       std::uint32_t count) override;
    std::uint16_t readSub(AdapterHandle handle, std::uint32_t subLength, std::uint32_t subAddress,
                          std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t reserved) override;
    void close(AdapterHandle handle) override;

private:
    std::uint8_t slaveOf(AdapterHandle handle) const;
    void transfer(const std::string& text, std::uint16_t status);

    Trace& trace_;
    std::map<AdapterHandle, std::uint8_t> slaves_;
};

// Decorates a pacer: every pause becomes "P n".
class TracingPacer : public Pacer {
public:
    TracingPacer(Pacer& inner, Trace& trace) : inner_(inner), trace_(trace) {}
    void sleepMs(unsigned ms) override;
    void sleepMsWhile(unsigned ms, const std::function<void()>& work) override;

private:
    Pacer& inner_;
    Trace& trace_;
};

}  // namespace vorlix
