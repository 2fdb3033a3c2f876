#pragma once
// What a camera operation hands back, whoever called it (the window, a command, the station):
// how it ended, the words for the person (what was done, or why not, and what the camera
// holds now), and the backup that restores the camera once the run made one. The words are
// written here in camera/, once per outcome, and every front end shows them as they are; a
// record or a result line is built from this value, never from text that was printed.
#include <memory>
#include <string>
#include <utility>

#include "io/expected.h"

namespace vorlix::camera {

enum class Outcome {
    Done,      // done as asked, and verified where there is something to verify
    Differs,   // the camera was read back or compared, and differs from what it should hold
    Refused,   // nothing was written: the request would harm the camera or rests on values
               // nobody read or gave
    NoBackup,  // nothing was written: the backup before the first EEPROM write failed
    Failed,    // a transfer failed; the words say what the camera holds now
};

// The backup made before a run's first EEPROM write (camera/eeprom_image.h).
struct Backup;

template <typename T = io::Ok>
struct Result {
    Outcome outcome = Outcome::Done;
    std::string words;
    // What restores the camera: the run's backup, once one was made before this operation's
    // first EEPROM write (or before an earlier one of the run); null otherwise.
    std::shared_ptr<const Backup> backup{};
    T value{};

    bool done() const { return outcome == Outcome::Done; }
    explicit operator bool() const { return done(); }
};

// A done result carrying value (and the words for it, when there are any).
template <typename T>
Result<T> doneWith(T value, std::string words = {}) {
    Result<T> result;
    result.value = std::move(value);
    result.words = std::move(words);
    return result;
}

// The result of an operation that ended before it got to its own work: outcome and words
// taken from an earlier step (a refused gate, a failed read), with its backup.
template <typename T, typename U>
Result<T> endedBy(const Result<U>& step) {
    return {.outcome = step.outcome, .words = step.words, .backup = step.backup};
}

// The words of an interrupt that ends an operation which writes before its first write.
inline constexpr char kInterruptedBeforeWriting[] = "interrupted before anything was written";

// The gate's answer: the run's backup (null when the run makes none), or NoBackup and why.
using GateAnswer = Result<std::shared_ptr<const Backup>>;

}  // namespace vorlix::camera
