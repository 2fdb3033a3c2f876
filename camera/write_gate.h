#pragma once
// The last word before an operation writes into the camera's EEPROM: asked once, after the
// operation's own checks passed and before its first EEPROM write. A text refuses the write;
// the operation then sends nothing more and hands the text back. An empty gate always lets
// the operation write.
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace vorlix::camera {

using WriteGate = std::function<std::optional<std::string>()>;

// The gate's refusal, or nothing when the operation may write.
inline std::optional<std::string> askGate(const WriteGate& mayWrite) {
    if (!mayWrite) return std::nullopt;
    return mayWrite();
}

// Asks the gate for an operation whose outcome has a result and a whyNot: true (with the
// result set to refused and whyNot to the gate's text) when the gate refuses.
template <typename Outcome, typename Result>
bool gateRefuses(const WriteGate& mayWrite, Outcome& outcome, Result refused) {
    std::optional<std::string> refusal = askGate(mayWrite);
    if (!refusal) return false;
    outcome.result = refused;
    outcome.whyNot = std::move(*refusal);
    return true;
}

}  // namespace vorlix::camera
