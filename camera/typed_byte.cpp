#include "camera/typed_byte.h"

#include "io/hex.h"
#include "io/printable.h"

namespace vorlix::camera {

std::optional<std::uint8_t> typedByte(const TypedField& field, const std::string& text) {
    if (text.empty()) return field.whenEmpty;
    return io::parseHexByte(text);
}

std::string untypedByteText(const TypedField& field, const std::string& text) {
    return std::string(field.name) + " \"" + io::printable(text) + "\" cannot be used: give " +
           field.what + " as one or two hex digits (00 to ff). Nothing was written.";
}

}  // namespace vorlix::camera
