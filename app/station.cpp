#include "app/station.h"

#include <cstdlib>

#include "app/command_run.h"
#include "app/interrupts.h"
#include "camera/camera_map.h"
#include "io/printable.h"
#include "link/i2c_link.h"

#ifdef _WIN32
#include <io.h>

#include "win32/process.h"
#else
#include <unistd.h>
#endif

namespace vorlix::app {

namespace {

// A search about twice a second while the socket is watched; searches in a row that must
// agree before a module counts as put in or taken out.
constexpr unsigned kSearchPauseMs = 500;
constexpr unsigned kSettledSearches = 2;

// The search's "no camera" box is what the station waits through: it goes nowhere.
class QuietNotifier : public Notifier {
public:
    void messageBox(const std::string&) override {}
};

class Station {
public:
    Station(const CommandEntry& entry, const Options& options, CommandInput& input,
            const CommandIo& io)
        : entry_(entry),
          options_(options),
          input_(input),
          io_(io),
          unitIo_{io.adapter, io.pacer, io.trace, io.out, io.err, unitLastWords_},
          colour_(standardOutputTakesColour()) {}

    int operator()() {
        io_.lastWords = [this](int status) { return interrupted(status); };
        say("station: " + std::string(entry_.name) + " " + io::printable(options_.command.file) +
            " on each module put in; Ctrl-C ends the shift");
        while (true) {
            say("station: waiting for unit " + std::to_string(unit_ + 1));
            if (!waitFor(true)) break;
            runUnit();
            say("station: take the module out");
            if (!waitFor(false)) break;
        }
        return endShift();
    }

private:
    void say(const std::string& line) {
        if (!options_.quiet) io_.err << line << std::endl;
    }

    // Searches until kSettledSearches in a row find a camera (present) or none; false when a
    // signal ends the shift first.
    bool waitFor(bool present) {
        QuietNotifier quiet;
        const Bus bus{io_.adapter, io_.pacer, quiet};
        unsigned agreeing = 0;
        while (pendingInterrupt() == 0) {
            I2cLink link(bus);
            agreeing = namesCamera(link.findCamera()) == present ? agreeing + 1 : 0;
            if (agreeing == kSettledSearches) return true;
            io_.pacer.sleepMs(kSearchPauseMs);
        }
        return false;
    }

    // The unit's result line gives the line its run ended with: what its camera operation's
    // result says, as the command run alone says it.
    void runUnit() {
        ++unit_;
        CommandRun run(options_, input_, unitIo_);
        run.record().setUnit(unit_);
        unitRun_ = &run;
        const int status = run(entry_);
        unitRun_ = nullptr;
        unitIo_.out.flush();
        const bool passed = status == kCommandDone || status == kOutputFailed;
        if (status == kOutputFailed) recordLost_ = true;
        ++(passed ? tally_.passed : tally_.failed);
        tellResult(passed, run.verdict());
    }

    void tellResult(bool passed, const std::string& reason) {
        io_.out << unitLine(passed, unit_, reason, tally_, colour_) << std::endl;
    }

    // A signal at a safe point: during a unit the unit ends as a command does and counts as
    // interrupted; between units the shift ends with its tally.
    int interrupted(int status) {
        if (!unitLastWords_ || unitRun_ == nullptr) return endShift();
        unitLastWords_(status);
        ++tally_.interrupted;
        tellResult(false, unitRun_->verdict());
        endShift();
        return status;
    }

    int endShift() {
        io_.out << "shift ended: " << tally_.units()
                << (tally_.units() == 1 ? " unit, " : " units, ") << tally_.text() << std::endl;
        if (tally_.failed + tally_.interrupted > 0) return kCameraFailed;
        return recordLost_ ? kOutputFailed : kCommandDone;
    }

    const CommandEntry& entry_;
    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    std::function<int(int status)> unitLastWords_;  // set by the unit's run while it runs
    const CommandIo unitIo_;
    CommandRun* unitRun_ = nullptr;  // the unit's run while it runs
    bool colour_;
    unsigned unit_ = 0;
    ShiftTally tally_;
    bool recordLost_ = false;
};

}  // namespace

std::string ShiftTally::text() const {
    std::string text = std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
    if (interrupted > 0) text += ", " + std::to_string(interrupted) + " interrupted";
    if (units() == 0) return text;
    const unsigned long long tenths = passed * 1000ULL / units();
    return text + ", yield " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           "%";
}

std::string unitLine(bool passed, unsigned unit, const std::string& reason, const ShiftTally& tally,
                     bool colour) {
    std::string verdict = passed ? "PASS" : "FAIL";
    if (colour) verdict = (passed ? "\x1b[1;32m" : "\x1b[1;31m") + verdict + "\x1b[0m";
    return verdict + " unit " + std::to_string(unit) + ": " + reason + "; shift: " + tally.text();
}

bool standardOutputTakesColour() {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') return false;
#ifdef _WIN32
    return _isatty(1) != 0 && win32::consoleTakesColour();
#else
    return ::isatty(1) != 0;
#endif
}

int runStation(const CommandEntry& entry, const Options& options, CommandInput& input,
               const CommandIo& io) {
    Station station(entry, options, input, io);
    return station();
}

}  // namespace vorlix::app
