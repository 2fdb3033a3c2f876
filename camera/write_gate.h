#pragma once
// The last word before an operation writes into the camera's EEPROM: asked once, after the
// operation's own checks passed and before its first EEPROM write. A text refuses the write;
// the operation then sends nothing more and hands the text back. An empty gate always lets
// the operation write.
#include <functional>
#include <optional>
#include <string>

namespace vorlix::camera {

using WriteGate = std::function<std::optional<std::string>()>;

// The gate's refusal, or nothing when the operation may write.
inline std::optional<std::string> askGate(const WriteGate& mayWrite) {
    if (!mayWrite) return std::nullopt;
    return mayWrite();
}

}  // namespace vorlix::camera
