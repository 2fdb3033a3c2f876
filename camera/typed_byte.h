#pragma once
// A byte that the person types into one of the window's hex edits that name a place in the
// camera (the camera's new address, the start of the settings area): one rule for every such
// edit, and one refusal in words. A lenient reading makes something of any text ("4O" 04, "zz"
// 00, "1ff" ff) and would write where nobody asked, so nothing but a byte is taken.
#include <cstdint>
#include <optional>
#include <string>

namespace vorlix::camera {

// An edit that takes a byte, as its refusal names it.
struct TypedField {
    const char* name;  // "Address"
    const char* what;  // "the new address"
    // The byte an empty edit stands for; none: an empty edit is refused.
    std::optional<std::uint8_t> whenEmpty{};
};

inline constexpr TypedField kNewAddressField{.name = "Address", .what = "the new address"};
// An empty offset is the start of the bank, the offset a technician leaves as it is.
inline constexpr TypedField kSettingsOffsetField{
    .name = "Offset", .what = "the offset in bank a0", .whenEmpty = 0x00};

// The byte text names in field: one or two hex digits, either case, optionally after 0x, or
// the field's byte for an empty text. Nothing for anything else (other characters, more than
// ff, a sign, spaces).
std::optional<std::uint8_t> typedByte(const TypedField& field, const std::string& text);

// The words for a text that typedByte refuses in field: nothing was written.
std::string untypedByteText(const TypedField& field, const std::string& text);

}  // namespace vorlix::camera
