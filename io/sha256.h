#pragma once
// SHA-256 (FIPS 180-4), for naming a script file by its contents in a record. Written here
// because the Windows cross build has no system crypto library to link.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlix::io {

class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object is used up afterwards.
    std::string hexDigest();

private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes hashed so far
};

std::string sha256Hex(std::string_view bytes);

}  // namespace vorlix::io
