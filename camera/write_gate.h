#pragma once
// The last word before an operation writes into the camera's EEPROM: asked once, after the
// operation's own checks passed and before its first EEPROM write. Its answer is the run's
// backup (made now, or earlier in the run; null when the run makes none), which the operation's
// result then carries as what restores the camera; or NoBackup and why, after which the
// operation sends nothing more and ends with those words. An empty gate always lets the
// operation write, with no backup.
#include <functional>

#include "camera/result.h"

namespace vorlix::camera {

using WriteGate = std::function<GateAnswer()>;

// Asks the gate for the operation whose result is result: true, with the backup in the result,
// when it may write; false, with the result ended as the gate answered, when it may not.
template <typename T>
bool gatePasses(const WriteGate& mayWrite, Result<T>& result) {
    if (!mayWrite) return true;
    GateAnswer answer = mayWrite();
    if (!answer) {
        result.outcome = answer.outcome;
        result.words = std::move(answer.words);
        return false;
    }
    result.backup = std::move(answer.value);
    return true;
}

}  // namespace vorlix::camera
