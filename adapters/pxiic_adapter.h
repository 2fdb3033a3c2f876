#pragma once
// The adapter's seven calls on the adapter maker's Windows library, PXIICDLL.dll, which
// offers them by ordinal number only: 5 open, 13 select, 7 write, 8 write with sub-address,
// 10 read, 11 read with sub-address, 6 close.
//
// The library is loaded and bound once, when the adapter is made. A library that cannot be
// loaded or lacks one of the seven entries gives the person one hint line saying why, and the
// tool still opens: every transfer then reports kStatusNoAdapter, so the window shows the
// usual boxes instead of ending before the person sees anything.
#include <cstdint>
#include <memory>
#include <string>

#include "adapters/backends.h"
#include "link/adapter.h"

namespace vorlix {

inline constexpr char kPxiicDefaultLibrary[] = "PXIICDLL.dll";

class PxiicAdapter : public Adapter {
public:
    PxiicAdapter(const std::string& path, const HintFn& hint);
    ~PxiicAdapter() override;
    PxiicAdapter(const PxiicAdapter&) = delete;
    PxiicAdapter& operator=(const PxiicAdapter&) = delete;

    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override;
    void select(AdapterHandle handle, std::uint8_t slave) override;
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
    struct Library;
    std::unique_ptr<Library> library_;  // null when the library could not be bound
};

}  // namespace vorlix
